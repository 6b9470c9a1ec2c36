#include "cli/exits.h"

#include <cstdlib>

namespace zemta {

void write_usage(std::FILE* diag, const char* message) {
  std::fprintf(
      diag,
      "\nThis program computes the coefficients (weights and abscissas)\n"
      "for Gauss Quadrature - the most efficient algorithm there is for\n"
      "numerical integration.  ZEMTA generates the C and FORTRAN code for\n"
      "you - ready to use!  Just specify the order and redirect the output\n"
      "to a file as in:\n"
      "\n"
      "        ZEMTA 20 >INTEGRATE.FOR\n"
      "        ZEMTA 99 >integrate.c\n"
      "\n"
      "Error: %s\n",
      message);
}

void write_fatal(std::FILE* diag, long code, const char* message) {
  std::fprintf(diag, "\nFatal Error Code %li\n%s\n", code, message);
}

void usage_exit(const char* message) {
  write_usage(stderr, message);
  std::exit(EXIT_FAILURE);
}

void fatal_exit(long code, const char* message) {
  write_fatal(stderr, code, message);
  std::exit(EXIT_FAILURE);
}

}  // namespace zemta
