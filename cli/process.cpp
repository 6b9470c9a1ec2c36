#include <cstdio>
#include <cstdlib>

#include "cli/exits.h"
#include "cli/run.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool stderr_is_terminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// Progress lines are buffered when standard error is a file or a pipe, and
// shown at once on a terminal, where "\r" rewrites one line in place. The
// buffer holds all the diagnostics of the largest order (13,598 bytes at
// order 999), so they go out in one write at exit, after the output, as
// they always have: the two streams sent to one file keep that order (the
// command-line tests send them so).
char diagnostic_buffer[16 * 1024];

}  // namespace

namespace zemta {

int run_process(int argc, char** argv, CoefficientComputation compute) {
  // The output is gathered in buffers of its own (emit_all_texts), which
  // go straight to the system from there.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!stderr_is_terminal()) {
    std::setvbuf(stderr, diagnostic_buffer, _IOFBF, sizeof diagnostic_buffer);
  }

  const RunOutcome outcome =
      run(argc, argv, stdout, stderr, std::calloc, compute);
  switch (outcome.kind) {
    case RunOutcome::Kind::usage_error:
      usage_exit(outcome.message);
    case RunOutcome::Kind::fatal_error:
      fatal_exit(outcome.code, outcome.message);
    case RunOutcome::Kind::success:
      break;
  }
  return EXIT_SUCCESS;
}

}  // namespace zemta
