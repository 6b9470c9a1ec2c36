#include "cli/run.h"
#include "quadrature/coefficients.h"

int main(int argc, char** argv) {
  return zemta::run_process(argc, argv, zemta::compute_coefficients);
}
