#include "quadrature/predicted_search.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "quadrature/coefficients.h"
#include "quadrature/floating_point.h"
#include "quadrature/legendre.h"
#include "quadrature/newton.h"

namespace zemta {
namespace {

constexpr int max_half = half_count(max_order);
// The visits of one search from the two starting roots: one per root
// missing.
constexpr int max_visits = max_half - 2;

// The pieces of a visit refined together, ahead of their turn. Two are
// enough: in every search the program makes (orders 5 to 999, from the two
// starting roots) piece 0 of a visit converges back to the lower end it
// holds, a duplicate, and piece 1 to the new root (the test
// SearchRoots.EveryGapVisitCostsTwoRefinements counts this). A visit not
// decided by them refines its further pieces from the true state, one
// after another.
constexpr int pieces_ahead = 2;

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Cuts the next pieces_ahead pieces of a visit into lo and hi. A gap of
// fewer pieces (none the search makes: a visit has total - roots_found + 1
// >= 2) would get pieces beyond its top, whose results are never read.
void cut_ahead(GapPieces& cut, double* lo, double* hi) {
  for (int k = 0; k < pieces_ahead; ++k) {
    const Bracket piece = cut.next();
    lo[k] = piece.lo;
    hi[k] = piece.hi;
  }
}

// Newton brackets around the predictions approx[first .. last], a quarter
// of the distance to the nearer predicted neighbour on each side: the
// refinement starts at the prediction and cannot wander to a neighbour.
// Poor predictions give poor brackets, never an endless refinement.
void polish_brackets(const double* approx, int first, int last, double* lo,
                     double* hi) {
  for (int j = first; j <= last; ++j) {
    const double room =
        std::fmin(approx[j] - approx[j - 1], approx[j + 1] - approx[j]) / 4.0;
    const double half_width = room > 0.0 ? room : 0.0;
    lo[j - first] = approx[j] - half_width;
    hi[j - first] = approx[j] + half_width;
  }
}

// The root a visit will probably insert, from its lower end and the
// results of its first pieces: the first result that is neither a failure
// nor within root_tolerance of the lower end. A guess to build the next
// visit on, no more: it tests neither the upper end nor the rest of the
// table, and the walk decides with insert_root against the whole table.
double likely_root(double lower, const double* pieces) {
  for (int k = 0; k < pieces_ahead; ++k) {
    if (pieces[k] <= newton_failure_threshold &&
        !(std::fabs(pieces[k] - lower) < root_tolerance)) {
      return pieces[k];
    }
  }
  return failure_value;
}

// Rounds of rebuilding visits whose lower end turned out wrong. One round
// nearly always settles them: a visit's result hardly depends on the last
// bits of its lower end.
constexpr int max_repairs = 3;

struct Speculation {
  int total = 0;   // half_count of the order
  int visits = 0;  // visits 1 .. visits are speculated
  double upper = 0.0;
  // Entries 1 .. visits are written before use; nothing is cleared, so a
  // small order touches only the stack it needs.
  double lower[max_visits + 1];
  double root[max_visits + 1][pieces_ahead];

  // The one check before a result refined ahead is used: visit i of the
  // walk cuts exactly the gap speculative visit i was cut from, the same
  // bits of lower and upper end and the same piece count. Its first pieces
  // are then those refined ahead, and so are their results (GapPieces).
  // In the walk's first pass the upper end is always the largest root and
  // the count total - i, so only the lower end can differ; all three are
  // checked because the argument rests on all three.
  [[nodiscard]] bool built_on(int i, double lower_end, double upper_end,
                              int pieces) const {
    return i <= visits && pieces == total - i &&
           same_bits(lower_end, lower[i]) && same_bits(upper_end, upper);
  }
};

// The first pieces of every visit of a search that starts from the two
// starting roots and finds one root per visit, as the search of every order
// from 5 to 999 does: visit i cuts [root i-1, largest root] into total - i
// pieces (at least two), its lower end the root the visit before found,
// here the candidate.
void speculate(int n, const double* abscissas, const double* candidates,
               const LaneKernel& kernel, Speculation& s) {
  s.total = half_count(n);
  s.visits = s.total - 2;
  s.upper = abscissas[1];
  double lo[max_visits * pieces_ahead];
  double hi[max_visits * pieces_ahead];
  double root[max_visits * pieces_ahead];
  int visit_of_batch[max_visits];  // batch position -> visit, for repairs
  int tasks = 0;
  const auto queue = [&](int i, double lower) {
    s.lower[i] = lower;
    visit_of_batch[tasks / pieces_ahead] = i;
    GapPieces cut(lower, s.upper, s.total - i);
    cut_ahead(cut, lo + tasks, hi + tasks);
    tasks += pieces_ahead;
  };
  for (int i = 1; i <= s.visits; ++i) {
    queue(i, i == 1 ? abscissas[0] : candidates[i - 1]);
  }
  for (int repair = 0;; ++repair) {
    kernel.newton_tasks(n, tasks, lo, hi, root, kernel.default_lanes);
    const int batch = tasks / pieces_ahead;
    for (int v = 0; v < batch; ++v) {
      for (int k = 0; k < pieces_ahead; ++k) {
        s.root[visit_of_batch[v]][k] = root[v * pieces_ahead + k];
      }
    }
    if (repair == max_repairs) {
      break;
    }
    // A visit built on a lower end other than the root its predecessor
    // speculatively found is rebuilt on that root, all such visits in one
    // batch. (The walk still checks every visit against the true state.)
    tasks = 0;
    for (int i = 2; i <= s.visits; ++i) {
      const double found = likely_root(s.lower[i - 1], s.root[i - 1]);
      if (!same_bits(found, s.lower[i]) && found <= newton_failure_threshold) {
        queue(i, found);
      }
    }
    if (tasks == 0) {
      break;
    }
  }
}

// search_roots, step by step: each visit's first pieces are taken from the
// speculation when it was built on exactly this visit's state, and are
// otherwise refined now from the true state, side by side on the kernel.
int walk(int n, double* abscissas, int roots_found, std::FILE* diag,
         const LaneKernel& kernel, const Speculation& s,
         SpeculationCount* count) {
  const int total = half_count(n);
  // Hits are looked for in the first pass only: speculative visit i is
  // visit i of the first pass. A later pass (which no order from 5 to 999
  // reaches) walks a table holding more roots, whose gap i is another gap.
  // A result used there would still be exact, as built_on holds; it is the
  // speculation that is not meant for it.
  bool first_pass = true;
  while (roots_found < total) {
    const int found_before_pass = roots_found;
    for (int i = 1; i < roots_found; ++i) {
      const int pieces = total - roots_found + 1;
      GapPieces cut(abscissas[i - 1], abscissas[i], pieces);
      double lo[pieces_ahead];
      double hi[pieces_ahead];
      cut_ahead(cut, lo, hi);
      double ahead[pieces_ahead] = {};
      const bool hit =
          first_pass && s.built_on(i, abscissas[i - 1], abscissas[i], pieces);
      if (hit) {
        for (int k = 0; k < pieces_ahead; ++k) {
          ahead[k] = s.root[i][k];
        }
      } else {
        kernel.newton_tasks(n, pieces < pieces_ahead ? pieces : pieces_ahead,
                            lo, hi, ahead, pieces_ahead);
      }
      if (count != nullptr) {
        ++count->visits;
        count->hits += hit ? 1 : 0;
      }
      for (int k = 0; k < pieces; ++k) {
        double r = 0.0;
        if (k < pieces_ahead) {
          r = ahead[k];
        } else {
          const Bracket piece = cut.next();
          r = newton_root(n, piece.lo, piece.hi);
        }
        if (take_root(r, abscissas, roots_found, total, diag)) {
          break;  // at most one new root per gap visit
        }
      }
      if (roots_found >= total) {
        break;
      }
    }
    first_pass = false;
    if (roots_found == found_before_pass) {
      return search_stalled;
    }
  }
  return total;
}

// Polishes the predictions of roots 1 .. total - 3, the lower ends of
// visits 2 .. total - 2, into candidates[1 ..], together with `extra`
// further tasks whose brackets the caller has put first in lo and hi.
void polish(int n, const LaneKernel& kernel, RootPredictor predict, double* lo,
            double* hi, double* root, int extra, double* candidates) {
  const int total = half_count(n);
  double approx[max_half];
  predict(n, total, approx);
  const int polished = total - 3;
  if (polished > 0) {
    polish_brackets(approx, 1, polished, lo + extra, hi + extra);
  }
  const int tasks = extra + (polished > 0 ? polished : 0);
  kernel.newton_tasks(n, tasks, lo, hi, root, kernel.default_lanes);
  for (int j = 1; j <= polished; ++j) {
    candidates[j] = root[extra + j - 1];
  }
}

}  // namespace

void predict_roots_asymptotic(int n, int count, double* approx) {
  const auto order = static_cast<double>(n);
  const double scale =
      1.0 - 1.0 / (8.0 * order * order) + 1.0 / (8.0 * order * order * order);
  for (int j = 0; j < count; ++j) {
    const auto k = static_cast<double>(count - j);
    approx[j] = scale * std::cos(std::numbers::pi * (4.0 * k - 1.0) /
                                 (4.0 * order + 2.0));
  }
}

int search_roots_speculative(int n, double* abscissas, int roots_found,
                             std::FILE* diag, const LaneKernel& kernel,
                             RootPredictor predict, SpeculationCount* count) {
  Speculation s;
  if (roots_found == 2 && n >= 5 && order_in_range(n)) {
    double lo[max_half];
    double hi[max_half];
    double root[max_half];
    double candidates[max_half];
    polish(n, kernel, predict, lo, hi, root, 0, candidates);
    speculate(n, abscissas, candidates, kernel, s);
  }
  return walk(n, abscissas, roots_found, diag, kernel, s, count);
}

int compute_coefficients_speculative(int n, double* abscissas, double* weights,
                                     std::FILE* diag, const LaneKernel& kernel,
                                     RootPredictor predict,
                                     SpeculationCount* count) {
  std::fputs("computing coefficients\n", diag);
  if (!order_in_range(n)) {
    return 0;
  }
  const int total = half_count(n);

  // The starting roots (stored without a check) are refined in the same
  // queue as the polished predictions: neither depends on the other.
  double lo[max_half + 2];
  double hi[max_half + 2];
  double root[max_half + 2];
  int starts = 0;
  if (n % 2 == 0) {
    lo[starts] = 0.0;
    hi[starts] = first_root_bracket_end(n);
    ++starts;
  }
  if (n >= 3) {
    lo[starts] = largest_root_bracket_start(n);
    hi[starts] = 1.0;
    ++starts;
  }
  double candidates[max_half];  // entries 1 .. total - 3 are written
  if (n >= 5) {
    polish(n, kernel, predict, lo, hi, root, starts, candidates);
  } else {
    kernel.newton_tasks(n, starts, lo, hi, root, kernel.default_lanes);
  }
  if (n % 2 != 0) {
    abscissas[0] = 0.0;
    abscissas[1] = root[0];
  } else {
    abscissas[0] = root[0];
    if (n >= 3) {
      abscissas[1] = root[1];
    }
  }

  if (n >= 5) {
    report_progress(diag, 2, total);
    Speculation s;
    speculate(n, abscissas, candidates, kernel, s);
    if (walk(n, abscissas, 2, diag, kernel, s, count) == search_stalled) {
      return search_stalled;
    }
    std::fputs("\n", diag);
  }

  double dp[max_half];
  kernel.derivatives(n, total, abscissas, dp, kernel.default_lanes);
  for (int i = 0; i < total; ++i) {
    const double x = abscissas[i];
    weights[i] = gauss_weight(x, dp[i]);
  }
  return total;
}

}  // namespace zemta
