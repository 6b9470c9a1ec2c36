// Runs the program's run sequence for many orders in one process, for the
// lock on Windows under Wine, where starting a process costs far more than
// a run (about 2.3 s each in the emulated machine that runs the 32-bit
// program, against well under a second for the whole computation):
//
//   zemta-order-runner DIR ORDER...
//
// For each order it writes what `zemta ORDER` would write to DIR/<n>.out
// (standard output), DIR/<n>.err (standard error) and DIR/<n>.status (the
// exit status), the files check_program.cmake reads with RUNNER. The
// streams are files opened as text, so the C runtime turns their line ends
// into CR LF as it does the program's standard streams, and buffered as
// run_process buffers those. Only main and run_process are not the
// program's own here, so the lock's first shard also runs a few orders
// through zemta itself.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/exits.h"
#include "cli/run.h"

namespace {

char diagnostic_buffer[16 * 1024];

bool run_order(const std::string& dir, const char* order) {
  const std::string base = dir + "/" + order;
  std::FILE* out = std::fopen((base + ".out").c_str(), "w");
  std::FILE* err = std::fopen((base + ".err").c_str(), "w");
  std::FILE* status = std::fopen((base + ".status").c_str(), "w");
  if (out == nullptr || err == nullptr || status == nullptr) {
    return false;
  }
  std::setvbuf(out, nullptr, _IONBF, 0);
  std::setvbuf(err, diagnostic_buffer, _IOFBF, sizeof diagnostic_buffer);
  const char* argv[] = {"zemta", order, nullptr};
  const zemta::RunOutcome outcome = zemta::run(2, argv, out, err);
  switch (outcome.kind) {
    case zemta::RunOutcome::Kind::usage_error:
      zemta::write_usage(err, outcome.message);
      break;
    case zemta::RunOutcome::Kind::fatal_error:
      zemta::write_fatal(err, outcome.code, outcome.message);
      break;
    case zemta::RunOutcome::Kind::success:
      break;
  }
  const int code = outcome.kind == zemta::RunOutcome::Kind::success
                       ? EXIT_SUCCESS
                       : EXIT_FAILURE;
  const bool written = std::fprintf(status, "%d", code) > 0;
  const bool closed = std::fclose(out) == 0;
  const bool err_closed = std::fclose(err) == 0;
  return std::fclose(status) == 0 && written && closed && err_closed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: zemta-order-runner DIR ORDER...\n", stderr);
    return 2;
  }
  for (int k = 2; k < argc; ++k) {
    if (!run_order(argv[1], argv[k])) {
      std::fprintf(stderr, "zemta-order-runner: cannot write order %s in %s\n",
                   argv[k], argv[1]);
      return 1;
    }
  }
  return 0;
}
