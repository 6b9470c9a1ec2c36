#include "quadrature/coefficients.h"

#include <cmath>

#include "quadrature/floating_point.h"
#include "quadrature/lane_kernel.h"
#include "quadrature/legendre.h"
#include "quadrature/power.h"
#include "quadrature/predicted_search.h"

namespace zemta {

int insert_root(double* table, int count, double x) {
  for (int i = 0; i < count; ++i) {
    if (std::fabs(table[i] - x) < root_tolerance) {
      return 0;
    }
  }
  int j = 1;
  while (j < count && !(table[j - 1] < x && x < table[j])) {
    ++j;
  }
  for (int i = count; i > j; --i) {
    table[i] = table[i - 1];
  }
  table[j] = x;
  return j;
}

double first_root_bracket_end(int n) {
  return first_root_scale / correctly_rounded_pow(n, first_root_exponent);
}

double largest_root_bracket_start(int n) {
  return 1.0 -
         largest_root_scale / correctly_rounded_pow(n, largest_root_exponent);
}

void report_progress(std::FILE* diag, int roots_found, int total) {
  std::fprintf(diag, "\r%i roots found out of %i", roots_found, total);
}

bool take_root(double r, double* abscissas, int& roots_found, int total,
               std::FILE* diag) {
  if (r > newton_failure_threshold ||
      insert_root(abscissas, roots_found, r) == 0) {
    return false;
  }
  ++roots_found;
  report_progress(diag, roots_found, total);
  return true;
}

int search_roots(int n, double* abscissas, int roots_found, std::FILE* diag,
                 Refiner refine) {
  const int total = half_count(n);
  while (roots_found < total) {
    const int found_before_pass = roots_found;
    // The bound is re-read on every turn: an insertion at i makes the next
    // gap the one from the new root up to the old abscissas[i].
    for (int i = 1; i < roots_found; ++i) {
      const int pieces = total - roots_found + 1;
      GapPieces cut(abscissas[i - 1], abscissas[i], pieces);
      for (int k = 0; k < pieces; ++k) {
        const Bracket piece = cut.next();
        if (take_root(refine(n, piece.lo, piece.hi), abscissas, roots_found,
                      total, diag)) {
          break;  // at most one new root per gap visit
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

int compute_coefficients_one_at_a_time(int n, double* abscissas,
                                       double* weights, std::FILE* diag) {
  std::fputs("computing coefficients\n", diag);
  if (!order_in_range(n)) {
    return 0;
  }
  const int total = half_count(n);

  // Starting roots. They are stored without a check: both brackets converge
  // for every accepted order.
  if (n % 2 != 0) {
    abscissas[0] = 0.0;
  } else {
    abscissas[0] = newton_root(n, 0.0, first_root_bracket_end(n));
  }
  if (n >= 3) {
    abscissas[1] = newton_root(n, largest_root_bracket_start(n), 1.0);
  }
  // Orders 2 to 4 hold all their non-negative roots now.
  if (n >= 5) {
    report_progress(diag, 2, total);
    if (search_roots(n, abscissas, 2, diag) == search_stalled) {
      return search_stalled;
    }
    std::fputs("\n", diag);
  }

  for (int i = 0; i < total; ++i) {
    const double x = abscissas[i];
    double p = 0.0;
    double dp = 0.0;
    legendre_eval(n, x, p, dp);
    weights[i] = gauss_weight(x, dp);
  }
  return total;
}

int compute_coefficients(int n, double* abscissas, double* weights,
                         std::FILE* diag) {
#ifdef ZEMTA_ONE_AT_A_TIME
  return compute_coefficients_one_at_a_time(n, abscissas, weights, diag);
#else
  return compute_coefficients_speculative(n, abscissas, weights, diag,
                                          best_lane_kernel(),
                                          predict_roots_asymptotic);
#endif
}

}  // namespace zemta
