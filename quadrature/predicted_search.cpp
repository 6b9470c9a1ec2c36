#include "quadrature/predicted_search.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <numbers>

#include "quadrature/coefficients.h"
#include "quadrature/floating_point.h"
#include "quadrature/newton.h"

namespace zemta {
namespace detail {
namespace {

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
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
// visit on, no more: the search decides with insert_root.
double likely_root(double lower, const double* pieces, int count) {
  for (int k = 0; k < count; ++k) {
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

}  // namespace

RefinementMemo::~RefinementMemo() { std::free(space_); }

void RefinementMemo::lay_out(int n) {
  order_ = n;
  count_ = 0;
  next_ = 0;
  capacity_ = 0;
  const int entries = capacity_for(n);
  const std::size_t length = 6 * static_cast<std::size_t>(entries);
  if (length > space_length_) {
    // Nothing kept survives a lay-out, so nothing needs copying.
    std::free(space_);
    space_length_ = 0;
    space_ = static_cast<double*>(allocate_(length * sizeof(double)));
    if (space_ == nullptr) {
      return;
    }
    space_length_ = length;
  }
  capacity_ = entries;
  // The repair batch last: most runs touch little or none of it.
  double* column = space_;
  for (double** start :
       {&lo_, &hi_, &root_, &batch_lo_, &batch_hi_, &batch_root_}) {
    *start = column;
    column += entries;
  }
}

void RefinementMemo::compute_ahead(int n, RootPredictor predict) {
  count_ = 0;
  next_ = 0;
  hits_ = 0;
  misses_ = 0;
  if (!order_in_range(n)) {
    return;
  }
  lay_out(n);
  if (capacity_ == 0) {
    return;  // no memory for entries: every question is refined when asked
  }
  const int total = half_count(n);

  // First batch: the starting brackets, as the outline asks them, and the
  // predictions of roots 1 .. total - 3 (the lower ends of visits
  // 2 .. total - 2), polished. Neither depends on the other. They are
  // refined in the entries' own columns: the starting roots stay there as
  // the first entries, and the polished roots are read off before the
  // visits' entries replace them.
  int starts = 0;
  if (n % 2 == 0) {
    lo_[starts] = 0.0;
    hi_[starts] = first_root_bracket_end(n);
    ++starts;
  }
  if (n >= 3) {
    lo_[starts] = largest_root_bracket_start(n);
    hi_[starts] = 1.0;
    ++starts;
  }
  if (starts == 0) {
    return;  // (not for an accepted order: every one has a starting root)
  }
  const int polished = n >= 5 ? total - 3 : 0;
  if (polished > 0) {
    // The predictions go where the batch's results will: the batch reads
    // only the brackets made from them. (entries >= total from order 3.)
    double* const approx = root_;
    predict(n, total, approx);
    polish_brackets(approx, 1, polished, lo_ + starts, hi_ + starts);
  }
  kernel_.newton_tasks(n, starts + polished, lo_, hi_, root_,
                       kernel_.default_lanes);
  count_ = starts;
  if (n < 5) {
    return;
  }

  // The visits of a search from the starting roots that finds one root per
  // visit, as the search of every order from 5 to 999 does: visit i cuts
  // [root i - 1, largest root] into total - i pieces (at least two), built
  // here on the root the visit before it will probably find.
  const double largest = root_[starts - 1];
  const int visits = total - 2;
  const int first = count_;
  // The entry of piece k of visit i.
  const auto entry = [first](int i, int k) {
    return first + (i - 1) * pieces_ahead + k;
  };
  // The lower end a visit is built on is its piece 0's: GapPieces hands
  // out piece 0 from the lower end itself.
  const auto lower = [&](int i) { return lo_[entry(i, 0)]; };
  const auto build = [&](int i, double lower_end) {
    GapPieces cut(lower_end, largest, total - i);
    for (int k = 0; k < pieces_ahead; ++k) {
      const Bracket piece = cut.next();
      const int e = entry(i, k);
      lo_[e] = piece.lo;
      hi_[e] = piece.hi;
    }
  };
  // Visit i writes only the lo and hi of entries first + 2 (i - 1) and up,
  // and polished root i - 1, the lower end of visit i, is root_[starts + i
  // - 2]: no build overwrites a root still to be read.
  for (int i = 1; i <= visits; ++i) {
    build(i, i == 1 ? (n % 2 != 0 ? 0.0 : root_[0]) : root_[starts + i - 2]);
  }
  count_ = entry(visits + 1, 0);
  kernel_.newton_tasks(n, visits * pieces_ahead, &lo_[first], &hi_[first],
                       &root_[first], kernel_.default_lanes);

  // A visit built on a lower end other than the root its predecessor's
  // results now point to is rebuilt on that root, all such in one batch.
  double* const lo = batch_lo_;
  double* const hi = batch_hi_;
  double* const root = batch_root_;
  int visit_of_batch[max_visits];
  for (int repair = 0; repair < max_repairs; ++repair) {
    int tasks = 0;
    for (int i = 2; i <= visits; ++i) {
      const double found =
          likely_root(lower(i - 1), &root_[entry(i - 1, 0)], pieces_ahead);
      if (same_bits(found, lower(i)) || found > newton_failure_threshold) {
        continue;
      }
      build(i, found);
      visit_of_batch[tasks / pieces_ahead] = i;
      for (int k = 0; k < pieces_ahead; ++k) {
        lo[tasks + k] = lo_[entry(i, k)];
        hi[tasks + k] = hi_[entry(i, k)];
      }
      tasks += pieces_ahead;
    }
    if (tasks == 0) {
      break;
    }
    kernel_.newton_tasks(n, tasks, lo, hi, root, kernel_.default_lanes);
    for (int t = 0; t < tasks; ++t) {
      const int i = visit_of_batch[t / pieces_ahead];
      root_[entry(i, t % pieces_ahead)] = root[t];
    }
  }
}

void RefinementMemo::keep(int n, double lo, double hi, double r) {
  if (n != order_ || capacity_ == 0) {
    lay_out(n);
  }
  if (count_ < capacity_) {
    lo_[count_] = lo;
    hi_[count_] = hi;
    root_[count_] = r;
    ++count_;
  }
}

double RefinementMemo::root(int n, double lo, double hi) {
  // The search asks in the order the entries were kept, its lower ends
  // ascending: entries below this lower end were for gaps it has passed,
  // and a visit decided by its first piece skips its second, so the match,
  // if any, is one of the next two.
  while (next_ < count_ && lo_[next_] < lo) {
    ++next_;
  }
  const int end = next_ + pieces_ahead < count_ ? next_ + pieces_ahead : count_;
  for (int e = next_; e < end; ++e) {
    if (n == order_ && same_bits(lo_[e], lo) && same_bits(hi_[e], hi)) {
      next_ = e + 1;
      ++hits_;
      return root_[e];
    }
  }
  ++misses_;
  return newton_root(n, lo, hi);
}

void RefinementMemo::derivatives(int n, int count, const double* x,
                                 double* dp) {
  kernel_.derivatives(n, count, x, dp, kernel_.default_lanes);
}

}  // namespace detail

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

int compute_coefficients(int n, double* abscissas, double* weights,
                         std::FILE* diag) {
  detail::RefinementMemo memo(best_lane_kernel());
  memo.compute_ahead(n, predict_roots_asymptotic);
  return detail::compute_with(n, abscissas, weights, diag, memo);
}

}  // namespace zemta
