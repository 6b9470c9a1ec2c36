/* Integrates exp over [0, 1] with the correctly rounded table that
   zemta_generate_rule() writes at build time (rule_table.h, the rule on
   [0, 1] as C arrays); prints the sum and fails when it is off e - 1 by more
   than 1e-15. GQ_ORDER comes from the build. */
#include <math.h>
#include <stdio.h>

#include "rule_table.h"

#define PASTE_(a, b) a##b
#define PASTE(a, b) PASTE_(a, b)
#define NODES PASTE(x, GQ_ORDER)
#define WEIGHTS PASTE(w, GQ_ORDER)

int main(void) {
  const double exact = expm1(1.0);
  double sum = 0;
  int i;
  for (i = 0; i < GQ_ORDER; ++i) {
    sum += WEIGHTS[i] * exp(NODES[i]);
  }
  printf("table GQ%d %.17g error %.2e\n", GQ_ORDER, sum, sum - exact);
  return fabs(sum - exact) <= 1e-15 ? 0 : 1;
}
