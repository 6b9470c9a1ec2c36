// The program with its diagnostic stream on a terminal (a pseudo-terminal)
// and on a pipe: the diagnostics are buffered only on the pipe, and neither
// stream's bytes may depend on that choice.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace zemta {
namespace {

struct Streams {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// Reads fd until end of file; a pseudo-terminal's master reports the end,
// once the child has gone, as EIO.
bool drain(int fd, std::string& into) {
  char buffer[4096];
  const ssize_t got = read(fd, buffer, sizeof buffer);
  if (got > 0) {
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
  }
  return got < 0 && errno == EINTR;
}

// Runs the program with stdout on a pipe and stderr on a pseudo-terminal
// (terminal) or on a second pipe.
Streams run_program(const std::vector<std::string>& args, bool terminal) {
  Streams result;
  int out_pipe[2];
  if (pipe(out_pipe) != 0) {
    ADD_FAILURE() << "pipe";
    return result;
  }
  int err_read = -1;
  int err_write = -1;
  if (terminal) {
    termios raw{};
    cfmakeraw(&raw);  // no "\n" to "\r\n" translation: the bytes as written
    if (openpty(&err_read, &err_write, nullptr, &raw, nullptr) != 0) {
      ADD_FAILURE() << "openpty";
      return result;
    }
  } else {
    int err_pipe[2];
    if (pipe(err_pipe) != 0) {
      ADD_FAILURE() << "pipe";
      return result;
    }
    err_read = err_pipe[0];
    err_write = err_pipe[1];
  }
  std::vector<char*> argv;
  std::string program = ZEMTA_EXE;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    dup2(out_pipe[1], STDOUT_FILENO);
    dup2(err_write, STDERR_FILENO);
    close(out_pipe[0]);
    close(out_pipe[1]);
    close(err_read);
    close(err_write);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_write);
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_read, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  while (open_count > 0) {
    if (poll(fds, 2, 10000) <= 0) {
      ADD_FAILURE() << "no output for 10 s";
      break;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd >= 0 && fds[k].revents != 0 &&
          !drain(fds[k].fd, *sinks[k])) {
        close(fds[k].fd);
        fds[k].fd = -1;  // poll ignores it from now on
        --open_count;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(DiagnosticTerminal, BothStreamsAreTheSameOnATerminalAndOnAPipe) {
  // Orders without progress, with a little and with the most; a usage error
  // and a scan error, whose text goes out on the error exit.
  const std::vector<std::vector<std::string>> cases = {
      {"2"}, {"5"}, {"64"}, {"999"}, {}, {"abc"}, {"1000"}};
  for (const auto& args : cases) {
    const Streams on_pipe = run_program(args, false);
    const Streams on_terminal = run_program(args, true);
    const std::string name = args.empty() ? "(no argument)" : args[0];
    EXPECT_EQ(on_terminal.exit_status, on_pipe.exit_status) << name;
    EXPECT_EQ(on_terminal.out, on_pipe.out) << name;
    EXPECT_EQ(on_terminal.err, on_pipe.err) << name;
    EXPECT_FALSE(on_pipe.err.empty()) << name;
  }
}

TEST(DiagnosticTerminal, LargestOrderWritesItsWholeTableAndEveryProgressLine) {
  const Streams on_terminal = run_program({"999"}, true);
  EXPECT_EQ(on_terminal.exit_status, 0);
  EXPECT_NE(on_terminal.err.find("\r500 roots found out of 500\n"),
            std::string::npos);
  EXPECT_NE(on_terminal.out.find("GQ999"), std::string::npos);
}

}  // namespace
}  // namespace zemta
