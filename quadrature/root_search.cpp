#include "quadrature/root_search.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "quadrature/floating_point.h"
#include "quadrature/legendre.h"
#include "quadrature/newton.h"
#include "quadrature/power.h"

namespace zemta {
namespace detail {

double first_root_bracket_end(int n) {
  return first_root_scale / correctly_rounded_pow(n, first_root_exponent);
}

double largest_root_bracket_start(int n) {
  return 1.0 -
         largest_root_scale / correctly_rounded_pow(n, largest_root_exponent);
}

int insert_root(double* table, int count, double x) {
  // above = the number of entries below x: the first entry not below it
  // and the last one below it are the only candidates for a duplicate.
  // Galloping down from the top brackets it in table[above .. end), then a
  // binary search finds it: the search inserts its roots near the top,
  // where this takes two or three comparisons.
  int end = count;
  int step = 1;
  while (end - step >= 0 && !(table[end - step] < x)) {
    end -= step;
    step *= 2;
  }
  int above = end - step < 0 ? 0 : end - step + 1;
  while (above < end) {
    const int middle = above + (end - above) / 2;
    if (table[middle] < x) {
      above = middle + 1;
    } else {
      end = middle;
    }
  }
  if ((above < count && std::fabs(table[above] - x) < root_tolerance) ||
      (above > 0 && std::fabs(table[above - 1] - x) < root_tolerance)) {
    return 0;
  }
  // x lies between table[above - 1] and table[above]; below the first entry
  // there is no such pair, and x goes to the end.
  const int j = above == 0 ? count : above;
  for (int i = count; i > j; --i) {
    table[i] = table[i - 1];
  }
  table[j] = x;
  return j;
}

namespace {

// Writes the decimal digits of value > 0 ending just before `end`; returns
// where they start.
char* decimal_before(char* end, int value) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  return end;
}

}  // namespace

void report_progress(std::FILE* progress, int roots_found, int total) {
  if (progress == nullptr) {
    return;
  }
  // "\r<found> roots found out of <total>", put together from the end: one
  // line per root, so formatting it is a share of the search's time.
  constexpr char middle[] = " roots found out of ";
  char line[64];
  char* const end = line + sizeof line;
  char* start = decimal_before(end, total);
  start -= sizeof middle - 1;
  std::memcpy(start, middle, sizeof middle - 1);
  start = decimal_before(start, roots_found);
  *--start = '\r';
  std::fwrite(start, 1, static_cast<std::size_t>(end - start), progress);
}

bool take_root(double r, double* abscissas, int& roots_found, int total,
               std::FILE* progress) {
  if (r > newton_failure_threshold ||
      insert_root(abscissas, roots_found, r) == 0) {
    return false;
  }
  ++roots_found;
  report_progress(progress, roots_found, total);
  return true;
}

double OneAtATime::root(int n, double lo, double hi) {
  return newton_root(n, lo, hi);
}

void OneAtATime::derivatives(int n, int count, const double* x, double* dp) {
  for (int i = 0; i < count; ++i) {
    double p = 0.0;
    legendre_eval(n, x[i], p, dp[i]);
  }
}

int search_roots(int n, double* abscissas, int roots_found, std::FILE* progress,
                 Refiner& refiner) {
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
        if (take_root(refiner.root(n, piece.lo, piece.hi), abscissas,
                      roots_found, total, progress)) {
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

int find_roots(int n, double* abscissas, std::FILE* progress,
               Refiner& refiner) {
  const int total = half_count(n);
  if (n % 2 != 0) {
    abscissas[0] = 0.0;
  } else {
    abscissas[0] = refiner.root(n, 0.0, first_root_bracket_end(n));
  }
  if (n >= 3) {
    abscissas[1] = refiner.root(n, largest_root_bracket_start(n), 1.0);
  }
  // Orders 2 to 4 hold all their non-negative roots now.
  if (n >= 5) {
    report_progress(progress, 2, total);
    if (search_roots(n, abscissas, 2, progress, refiner) == search_stalled) {
      return search_stalled;
    }
    if (progress != nullptr) {
      std::fputs("\n", progress);
    }
  }
  return total;
}

int compute_with(int n, double* abscissas, double* weights, std::FILE* diag,
                 Refiner& refiner) {
  std::fputs("computing coefficients\n", diag);
  if (!order_in_range(n)) {
    return 0;
  }
  const int total = find_roots(n, abscissas, diag, refiner);
  if (total == search_stalled) {
    return search_stalled;
  }

  // The derivatives go into the weights' own places, each then replaced by
  // its weight.
  refiner.derivatives(n, total, abscissas, weights);
  for (int i = 0; i < total; ++i) {
    weights[i] = gauss_weight(abscissas[i], weights[i]);
  }
  return total;
}

}  // namespace detail

int compute_coefficients_one_at_a_time(int n, double* abscissas,
                                       double* weights, std::FILE* diag) {
  detail::OneAtATime refiner;
  return detail::compute_with(n, abscissas, weights, diag, refiner);
}

}  // namespace zemta
