#include "quadrature/lockstep.h"

#include <algorithm>
#include <cmath>

#include "quadrature/coefficients.h"
#include "quadrature/floating_point.h"
#include "quadrature/legendre.h"
#include "quadrature/newton.h"

namespace zemta {

template <int Lanes>
void legendre_eval_lanes(int n, int count, const double* x, double* p_out,
                         double* dp_out) {
  static_assert(Lanes >= 1);
  // Unused lanes evaluate at 0 and are never stored; this keeps the loop
  // body the same for a full and a partly filled batch.
  double xs[Lanes];
  for (int l = 0; l < Lanes; ++l) {
    xs[l] = l < count ? x[l] : 0.0;
  }
  double p[Lanes];
  double dp[Lanes];
  double p1[Lanes];  // degree i - 1
  double dp1[Lanes];
  for (int l = 0; l < Lanes; ++l) {
    p[l] = 1.0;
    dp[l] = 0.0;
  }
  if (n > 0) {
    for (int l = 0; l < Lanes; ++l) {
      p1[l] = 1.0;
      dp1[l] = 0.0;
      p[l] = xs[l];
      dp[l] = 1.0;
    }
    for (int i = 2; i <= n; ++i) {
      const auto degree = static_cast<double>(i);
      const auto slope_factor = static_cast<double>(2 * i - 1);
      // Lane by lane the statements of legendre_eval, grouping included.
      // Unrolled so that the lanes live in registers at any optimisation
      // level: their divisions then overlap in the divider.
#pragma GCC unroll 8
      for (int l = 0; l < Lanes; ++l) {
        const double p2 = p1[l];  // degree i - 2
        const double dp2 = dp1[l];
        p1[l] = p[l];
        dp1[l] = dp[l];
        p[l] = ((2.0 * xs[l]) * p1[l] - p2) - ((xs[l] * p1[l] - p2) / degree);
        dp[l] = slope_factor * p1[l] + dp2;
      }
    }
  }
  for (int l = 0; l < count; ++l) {
    p_out[l] = p[l];
    dp_out[l] = dp[l];
  }
}

template <int Lanes>
int newton_root_lanes(int n, int count, const double* lo, const double* hi,
                      double* root) {
  double x[Lanes];
  bool running[Lanes];
  for (int l = 0; l < Lanes; ++l) {
    running[l] = l < count;
    x[l] = running[l] ? (lo[l] + hi[l]) / 2.0 : 0.0;
  }
  int active = count;
  int evaluations = 0;
  // Every lane starts in round 0, so the shared round counter is each
  // lane's own, and the round limit falls where newton_root's does.
  for (int round = 0; round < max_newton_rounds && active > 0; ++round) {
    double p[Lanes];
    double dp[Lanes];
    // A lane that has exited keeps its last x; its values are ignored.
    legendre_eval_lanes<Lanes>(n, Lanes, x, p, dp);
    ++evaluations;
    for (int l = 0; l < Lanes; ++l) {
      if (!running[l]) {
        continue;
      }
      // newton_root's round, exits in its order: derivative failure, then
      // the clamp (hi first, then lo), the residual test, the step test.
      if (std::fabs(dp[l]) < min_derivative) {
        root[l] = failure_value;
        running[l] = false;
        --active;
        continue;
      }
      double t = x[l] - p[l] / dp[l];
      if (t > hi[l]) {
        t = hi[l];
      }
      if (t < lo[l]) {
        t = lo[l];
      }
      if (std::fabs(p[l]) <= root_tolerance ||
          std::fabs(t - x[l]) <= root_tolerance) {
        root[l] = t;
        running[l] = false;
        --active;
        continue;
      }
      x[l] = t;
    }
  }
  for (int l = 0; l < count; ++l) {
    if (running[l]) {
      root[l] = failure_value;  // max_newton_rounds without converging
    }
  }
  return evaluations;
}

template void legendre_eval_lanes<1>(int, int, const double*, double*, double*);
template void legendre_eval_lanes<2>(int, int, const double*, double*, double*);
template void legendre_eval_lanes<4>(int, int, const double*, double*, double*);
template void legendre_eval_lanes<8>(int, int, const double*, double*, double*);
template int newton_root_lanes<1>(int, int, const double*, const double*,
                                  double*);
template int newton_root_lanes<2>(int, int, const double*, const double*,
                                  double*);
template int newton_root_lanes<4>(int, int, const double*, const double*,
                                  double*);

template <int Lanes>
int search_roots_lanes(int n, double* abscissas, int roots_found,
                       std::FILE* diag) {
  const int total = half_count(n);
  while (roots_found < total) {
    const int found_before_pass = roots_found;
    for (int i = 1; i < roots_found; ++i) {
      const int pieces = total - roots_found + 1;
      const double step =
          (abscissas[i] - abscissas[i - 1]) / static_cast<double>(pieces);
      // The ends are accumulated one piece after another, as in the
      // one-at-a-time search, whatever the batch boundaries.
      double b = abscissas[i - 1];
      bool found = false;
      for (int k = 0; k < pieces && !found; k += Lanes) {
        const int count = std::min(Lanes, pieces - k);
        double lo[Lanes];
        double hi[Lanes];
        double r[Lanes];
        for (int l = 0; l < count; ++l) {
          const double a = b;
          b = a + step;
          lo[l] = a;
          hi[l] = b;
        }
        newton_root_lanes<Lanes>(n, count, lo, hi, r);
        // Consumed in piece order; the refinements do not read the table,
        // so a result computed early is the one its turn would give.
        for (int l = 0; l < count; ++l) {
          if (r[l] > newton_failure_threshold) {
            continue;
          }
          if (insert_root(abscissas, roots_found, r[l]) == 0) {
            continue;
          }
          ++roots_found;
          report_progress(diag, roots_found, total);
          found = true;  // at most one new root per gap visit
          break;
        }
      }
      if (roots_found >= total) {
        break;
      }
    }
    if (roots_found == found_before_pass) {
      return search_stalled;
    }
  }
  return total;
}

template int search_roots_lanes<1>(int, double*, int, std::FILE*);
template int search_roots_lanes<2>(int, double*, int, std::FILE*);
template int search_roots_lanes<4>(int, double*, int, std::FILE*);

int search_roots_lockstep(int n, double* abscissas, int roots_found,
                          std::FILE* diag) {
  return search_roots_lanes<search_lanes>(n, abscissas, roots_found, diag);
}

int compute_coefficients_lockstep(int n, double* abscissas, double* weights,
                                  std::FILE* diag) {
  std::fputs("computing coefficients\n", diag);
  if (n < min_order) {
    return 0;
  }
  const int total = half_count(n);

  // Starting roots, stored without a check. An even order from 4 on has two
  // brackets, refined together.
  const double lower_start = largest_root_bracket_start(n);
  if (n % 2 != 0) {
    abscissas[0] = 0.0;
    abscissas[1] = newton_root(n, lower_start, 1.0);
  } else if (n >= 3) {
    const double lo[2] = {0.0, lower_start};
    const double hi[2] = {first_root_bracket_end(n), 1.0};
    newton_root_lanes<2>(n, 2, lo, hi, abscissas);
  } else {
    abscissas[0] = newton_root(n, 0.0, first_root_bracket_end(n));
  }
  if (n >= 5) {
    report_progress(diag, 2, total);
    if (search_roots_lockstep(n, abscissas, 2, diag) == search_stalled) {
      return search_stalled;
    }
    std::fputs("\n", diag);
  }

  // w = 2 / ((1 - x^2) P_n'(x)^2), evaluated in this order in every lane.
  for (int i = 0; i < total; i += weight_lanes) {
    const int count = std::min(weight_lanes, total - i);
    double p[weight_lanes];
    double dp[weight_lanes];
    legendre_eval_lanes<weight_lanes>(n, count, abscissas + i, p, dp);
    for (int l = 0; l < count; ++l) {
      const double x = abscissas[i + l];
      weights[i + l] = gauss_weight(x, dp[l]);
    }
  }
  return total;
}

}  // namespace zemta
