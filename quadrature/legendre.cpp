#include "quadrature/legendre.h"

#include "quadrature/floating_point.h"

namespace zemta::detail {

void legendre_eval(int n, double x, double& p_out, double& dp_out) {
  // The recurrence runs in locals and is stored once at the end: p_out and
  // dp_out could alias, and storing into them on every step would put a
  // store and a reload on the critical path of each step.
  double p = 1.0;
  double dp = 0.0;
  if (n > 0) {
    double p1 = 1.0;  // degree i - 1
    double dp1 = 0.0;
    p = x;
    dp = 1.0;
    for (int i = 2; i <= n; ++i) {
      const double p2 = p1;  // degree i - 2
      const double dp2 = dp1;
      p1 = p;
      dp1 = dp;
      // i P_i = (2i-1) x P_{i-1} - (i-1) P_{i-2}, rearranged so that only
      // one division by i is needed. The grouping fixes the rounding of
      // every root the program writes: do not simplify or reorder it.
      p = ((2.0 * x) * p1 - p2) - ((x * p1 - p2) / static_cast<double>(i));
      dp = static_cast<double>(2 * i - 1) * p1 + dp2;
    }
  }
  p_out = p;
  dp_out = dp;
}

}  // namespace zemta::detail
