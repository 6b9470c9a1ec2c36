#include "quadrature/predicted_search.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <numbers>
#include <utility>

#include "quadrature/coefficients.h"
#include "quadrature/floating_point.h"
#include "quadrature/newton.h"

namespace zemta {
namespace detail {
namespace {

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Newton brackets around the predictions approx[0 .. count), a quarter of
// the distance to the nearer predicted neighbour on each side (the one
// neighbour of either end): the refinement starts at the prediction and
// cannot wander to a neighbour. Poor predictions give poor brackets, never
// an endless refinement. The largest prediction's bracket comes first,
// the smallest's last: the largest roots take the most Newton steps, and
// a batch that ends on quick tasks leaves fewer lanes idle as it drains
// (bench/lane_occupancy).
void polish_brackets(const double* approx, int count, double* lo, double* hi) {
  for (int j = 0; j < count; ++j) {
    const double below = j > 0 ? approx[j] - approx[j - 1] : HUGE_VAL;
    const double above = j + 1 < count ? approx[j + 1] - approx[j] : HUGE_VAL;
    const double room = std::fmin(below, above) / 4.0;
    const double half_width = room > 0.0 && room < HUGE_VAL ? room : 0.0;
    lo[count - 1 - j] = approx[j] - half_width;
    hi[count - 1 - j] = approx[j] + half_width;
  }
}

// The known roots, count of them, ascending, and a place in them that
// follows the questions.
class KnownRoots {
 public:
  KnownRoots(double* known, int count) : known_(known), count_(count) {}

  // The first known root in [lo, hi], or failure_value. Out of order (a
  // failed polish), the known roots only make the search miss: whatever
  // is found is checked against the bracket.
  double in(double lo, double hi) {
    const int j = below(lo);
    if (j < count_ && known_[j] >= lo && known_[j] <= hi) {
      return known_[j];
    }
    return failure_value;
  }

  // A dry run answered a noted question with the known root `answer`, and
  // the refinement of that question gave r: when both are a root and the
  // same one, r is what the real search will insert there, and replaces
  // the known root. The first question of a run to be answered with a
  // known root is the one that inserts it; the replaced bits are then no
  // longer found for the later ones.
  void learn(double answer, double r) {
    if (answer > newton_failure_threshold || r > newton_failure_threshold ||
        !(std::fabs(r - answer) < root_tolerance)) {
      return;
    }
    const int j = below(answer);
    if (j < count_ && same_bits(known_[j], answer)) {
      known_[j] = r;
    }
  }

  // Back to the start, for the next run.
  void rewind() { at_ = 0; }

 private:
  // The number of known roots below x, if they ascend (out of order, some
  // place). Moves the place back and on one root at a time: a question
  // lies a root or two from the one before it.
  int below(double x) {
    while (at_ > 0 && !(known_[at_ - 1] < x)) {
      --at_;
    }
    while (at_ < count_ && known_[at_] < x) {
      ++at_;
    }
    return at_;
  }

  double* known_;
  int count_;
  int at_ = 0;
};

}  // namespace

// The refiner of a dry run: answers from the memo's entries where their
// bits match, otherwise notes the question and answers with a known root
// in its bracket. Every question goes into `asked`, in order, with its
// answer, and is marked in `noted` when noted. A run that fills `asked` is
// cut short: every further question fails, and the search stops.
class RefinementMemo::DryRun final : public Refiner {
 public:
  DryRun(const RefinementMemo& memo, Questions& asked, NotedSet& noted_set,
         KnownRoots& known)
      : memo_(memo), asked_(asked), noted_(noted_set), known_(known) {}

  // Every question of a run is for the memo's order.
  double root(int /*n*/, double lo, double hi) override {
    if (asked_.count == memo_.room_) {
      return failure_value;
    }
    const int e = asked_.count++;
    asked_.lo[e] = lo;
    asked_.hi[e] = hi;
    const int entry = memo_.entries_.find(next_, lo, hi);
    if (entry >= 0) {
      asked_.root[e] = memo_.entries_.root[entry];
      noted_[static_cast<std::size_t>(e)] = false;
    } else {
      // Noted: the answer stands in the root's column until the batch.
      asked_.root[e] = known_.in(lo, hi);
      noted_[static_cast<std::size_t>(e)] = true;
    }
    return asked_.root[e];
  }

  void derivatives(int /*n*/, int /*count*/, const double* /*x*/,
                   double* /*dp*/) override {}

 private:
  const RefinementMemo& memo_;
  Questions& asked_;
  NotedSet& noted_;
  KnownRoots& known_;
  int next_ = 0;
};

RefinementMemo::~RefinementMemo() { std::free(space_); }

void RefinementMemo::lay_out(int n) {
  order_ = n;
  room_ = 0;
  entries_.count = 0;
  asked_.count = 0;
  next_ = 0;
  const int room = memo_room(n);
  const std::size_t length = 6 * static_cast<std::size_t>(room);
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
  room_ = room;
  double* column = space_;
  for (double** start : {&entries_.lo, &entries_.hi, &entries_.root, &asked_.lo,
                         &asked_.hi, &asked_.root}) {
    *start = column;
    column += room;
  }
}

void RefinementMemo::compute_ahead(int n, RootPredictor predict,
                                   double* abscissas, double* weights) {
  entries_.count = 0;
  next_ = 0;
  hits_ = 0;
  misses_ = 0;
  if (!order_in_range(n)) {
    return;
  }
  lay_out(n);
  if (room_ == 0) {
    return;  // no memory for entries: every question is refined when asked
  }
  const int total = half_count(n);

  // The known roots: the predictions, polished in one batch, ascending in
  // weights. The columns, empty still, hold the predictions, the brackets
  // made from them and the results, largest first (room_ >= total).
  predict(n, total, entries_.root);
  polish_brackets(entries_.root, total, entries_.lo, entries_.hi);
  kernel_.newton_tasks(n, total, entries_.lo, entries_.hi, asked_.root,
                       kernel_.default_lanes);
  for (int j = 0; j < total; ++j) {
    weights[j] = asked_.root[total - 1 - j];
  }
  KnownRoots known(weights, total);

  for (int run = 0; run < max_dry_runs; ++run) {
    asked_.count = 0;
    known.rewind();
    DryRun dry(*this, asked_, noted_, known);
    find_roots(n, abscissas, nullptr, dry);
    // The noted questions, gathered into the old entries' columns, which
    // this run has read for the last time, refined there, and their results
    // handed back in order, each teaching the known roots. When every
    // result has the bits of the answer the run gave, the run after it
    // would ask the same questions, get the same answers from the entries
    // and note nothing, so it is not made.
    int t = 0;
    for (int e = 0; e < asked_.count; ++e) {
      if (noted_[static_cast<std::size_t>(e)]) {
        entries_.lo[t] = asked_.lo[e];
        entries_.hi[t] = asked_.hi[e];
        ++t;
      }
    }
    if (t > 0) {
      kernel_.newton_tasks(n, t, entries_.lo, entries_.hi, entries_.root,
                           kernel_.default_lanes);
    }
    bool settled = true;
    known.rewind();
    t = 0;
    for (int e = 0; e < asked_.count; ++e) {
      if (noted_[static_cast<std::size_t>(e)]) {
        const double r = entries_.root[t++];
        settled = settled && same_bits(r, asked_.root[e]);
        known.learn(asked_.root[e], r);
        asked_.root[e] = r;
      }
    }
    std::swap(entries_, asked_);
    if (settled) {
      break;
    }
  }
}

int RefinementMemo::Questions::find(int& next, double lo_end,
                                    double hi_end) const {
  while (next < count && lo[next] < lo_end) {
    ++next;
  }
  if (next < count && same_bits(lo[next], lo_end) &&
      same_bits(hi[next], hi_end)) {
    return next++;
  }
  return -1;
}

double RefinementMemo::root(int n, double lo, double hi) {
  const int entry = n == order_ ? entries_.find(next_, lo, hi) : -1;
  if (entry >= 0) {
    ++hits_;
    return entries_.root[entry];
  }
  ++misses_;
  return newton_root(n, lo, hi);
}

void RefinementMemo::derivatives(int n, int count, const double* x,
                                 double* dp) {
  kernel_.derivatives(n, count, x, dp, kernel_.default_lanes);
}

AsymptoticRoot asymptotic_root(int n, int k) {
  const auto order = static_cast<double>(n);
  const auto index = static_cast<double>(k);
  return {
      1.0 - 1.0 / (8.0 * order * order) + 1.0 / (8.0 * order * order * order),
      std::numbers::pi * (4.0 * index - 1.0) / (4.0 * order + 2.0)};
}

void predict_roots_asymptotic(int n, int count, double* approx) {
  for (int j = 0; j < count; ++j) {
    const AsymptoticRoot root = asymptotic_root(n, count - j);
    approx[j] = root.scale * std::cos(root.angle);
  }
}

}  // namespace detail

int compute_coefficients(int n, double* abscissas, double* weights,
                         std::FILE* diag) {
  detail::RefinementMemo memo(detail::best_lane_kernel());
  memo.compute_ahead(n, detail::predict_roots_asymptotic, abscissas, weights);
  return detail::compute_with(n, abscissas, weights, diag, memo);
}

}  // namespace zemta
