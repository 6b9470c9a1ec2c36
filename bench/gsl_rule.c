/* The speed reference for whole runs: GSL's Gauss-Legendre table of order n
 * (argument, default 999), its nodes and weights printed one pair a line.
 *
 *   process_ratio 41 zemta bench/gsl_rule 999
 */
#include <gsl/gsl_integration.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  const size_t n = argc > 1 ? (size_t)strtoul(argv[1], NULL, 10) : 999;
  gsl_integration_glfixed_table* table = gsl_integration_glfixed_table_alloc(n);
  if (table == NULL) {
    return 1;
  }
  for (size_t i = 0; i < n; ++i) {
    double x = 0.0;
    double w = 0.0;
    gsl_integration_glfixed_point(-1.0, 1.0, i, &x, &w, table);
    printf("%.17g %.17g\n", x, w);
  }
  gsl_integration_glfixed_table_free(table);
  return 0;
}
