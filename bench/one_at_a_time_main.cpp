// zemta with the readable computation in place of the program's: the same
// output, the baseline process_ratio times the program against.
#include "cli/run.h"
#include "quadrature/coefficients.h"

int main(int argc, char** argv) {
  return zemta::run_process(argc, argv,
                            zemta::compute_coefficients_one_at_a_time);
}
