#include "quadrature/newton.h"

#include <cmath>

#include "quadrature/floating_point.h"
#include "quadrature/legendre.h"

namespace zemta::detail {

double newton_root(int n, double lo, double hi) {
  double x = (lo + hi) / 2.0;
  for (int round = 0; round < max_newton_rounds; ++round) {
    double p = 0.0;
    double dp = 0.0;
    legendre_eval(n, x, p, dp);
    if (std::fabs(dp) < min_derivative) {
      return failure_value;
    }
    double t = x - p / dp;
    if (t > hi) {
      t = hi;
    }
    if (t < lo) {
      t = lo;
    }
    // The residual is tested at x, the point the step came from, but the
    // stepped point is returned: it is never worse.
    if (std::fabs(p) <= root_tolerance) {
      return t;
    }
    if (std::fabs(t - x) <= root_tolerance) {
      return t;
    }
    x = t;
  }
  return failure_value;
}

}  // namespace zemta::detail
