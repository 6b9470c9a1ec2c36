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

// The whole output of the largest order (about 90 KB) fits one buffer, so a
// run costs a few write calls.
char output_buffer[1 << 17];
// Progress lines are buffered when standard error is a file or a pipe, and
// shown at once on a terminal, where "\r" rewrites one line in place.
char diagnostic_buffer[1 << 16];

}  // namespace

namespace zemta {

int run_process(int argc, char** argv, CoefficientComputation compute) {
  std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
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
