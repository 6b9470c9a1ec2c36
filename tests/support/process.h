// Runs a program as a child process and collects what it writes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zemta::testing {

enum class StdoutMode {
  capture,   // a pipe, read to the end
  closed,    // file descriptor 1 closed in the child
  dev_full,  // /dev/full: every write fails with ENOSPC
  // A pipe of one page whose reader takes the first bytes_before_close bytes
  // and then closes it, as "| head -c N" does. The child starts with
  // SIGPIPE at its default action.
  closed_early,
};

// What the reader of a closed_early pipe takes before it closes the pipe.
inline constexpr std::size_t bytes_before_close = 100;

struct ProcessResult {
  int exit_status = -1;  // -1 when the child did not exit normally
  int signal = 0;        // the signal that ended it, if any
  std::string out;
  std::string err;
};

// Runs argv[0] (a path) with the given arguments and waits for it. The
// arguments are passed as they are, embedded control bytes included.
ProcessResult run_process(const std::vector<std::string>& argv,
                          StdoutMode stdout_mode = StdoutMode::capture);

// Runs a shell command line; returns its exit status and merged output.
ProcessResult run_shell(const std::string& command);

}  // namespace zemta::testing
