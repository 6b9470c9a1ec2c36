// The program's path: the search's refinements computed ahead, on wide
// lanes, and kept in a memo the search then asks.
//
// In the search every gap visit starts from the root the visit before it
// found, and each refinement is a chain of operations that wait on one
// another: refined one after another, they run at the operations' latency,
// the processor's units mostly idle. Here the memo learns the search's
// questions before it starts, by running the search itself against answers
// it can give at once, and refines them all side by side, at the units'
// throughput (which unit bounds them: docs/speed.md, "What bounds the
// kernels"); the search, the one loop of root_search.h, then asks the memo
// for each refinement in turn. A question the memo did not foresee is
// refined there and then.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdlib>

#include "quadrature/lane_kernel.h"
#include "quadrature/root_search.h"

namespace zemta::detail {

// Approximates the count = half_count(n) non-negative roots of P_n,
// ascending, into approx[0 .. count). Any values will do; close ones make
// the memo answer.
using RootPredictor = void (*)(int n, int count, double* approx);

// Tricomi's asymptotic form of root k of P_n (k = 1 the largest, 1 <= k
// <= half_count(n)),
//   x_k = (1 - 1/(8 n^2) + 1/(8 n^3)) cos(pi (4k - 1) / (4n + 2)),
// as its two factors: the scale, and the angle, in (0, pi/2]. Close, and
// closer the higher the order, but far from the last bits. Both
// predictors start from these doubles, each with a cosine of its own.
struct AsymptoticRoot {
  double scale;
  double angle;
};
AsymptoticRoot asymptotic_root(int n, int k);

// Tricomi's form with the library's cosine, ascending. The memo polishes
// these by Newton before it answers with them.
void predict_roots_asymptotic(int n, int count, double* approx);

// The questions a memo has room for at order n: twice as many as the order
// has roots. Every dry run of the asymptotic predictor fits (a run cut
// short would leave the memo misses, which the tests count).
constexpr int memo_room(int n) { return 2 * half_count(n); }

// newton_root results computed ahead, each kept with the (n, lo, hi) it was
// computed for, and the derivatives for the weights on the same lanes.
//
// Why the computation stays exact: newton_root is a pure function of the
// bits of (n, lo, hi), every lane of every kernel gives its bits
// (lane_kernel.h, held to it by the kernel tests), and the memo answers
// only a question whose n, lo and hi have the bits of an entry's. Any other
// question is refined now by newton_root. So every answer is the one
// newton_root gives, and the tables, text and result are those of the
// one-at-a-time computation, whatever the predictor and however the dry
// runs below answer.
class RefinementMemo final : public Refiner {
 public:
  // Where the memo's space comes from: malloc's contract, released by free.
  using SpaceAllocator = void* (*)(std::size_t bytes);

  explicit RefinementMemo(const LaneKernel& kernel,
                          SpaceAllocator allocate = std::malloc)
      : kernel_(kernel), allocate_(allocate) {}
  ~RefinementMemo();
  RefinementMemo(const RefinementMemo&) = delete;
  RefinementMemo& operator=(const RefinementMemo&) = delete;

  // Replaces the entries with the questions find_roots will ask at order
  // n, in the order it will ask them, each with its answer. It learns them
  // by running find_roots dry, without progress text, against a refiner
  // that answers a question from the entries when its bits are an entry's,
  // and otherwise notes the question and answers with the known root that
  // lies in its bracket (or a failure). The known roots are the polished
  // predictions, each replaced by the refinement that inserted it once a
  // batch has computed that. The noted questions are refined in one batch
  // on the kernel's lanes, and the run repeated, up to max_dry_runs times,
  // until one notes nothing or every refinement it noted gave the answer
  // it was given (the run after it would then note nothing). The entries
  // are then the questions of the last run. Nothing for an order outside
  // the accepted range.
  //
  // abscissas and weights, half_count(n) each, serve as work space: the
  // dry runs' table of roots and the known roots. The computation
  // overwrites both, and they are pages a run touches anyway.
  void compute_ahead(int n, RootPredictor predict, double* abscissas,
                     double* weights);

  // A bound against runs that never settle. With the asymptotic predictor
  // every accepted order settles within it (the test that counts the
  // memo's misses would see it otherwise).
  static constexpr int max_dry_runs = 8;

  // newton_root(n, lo, hi): the next entry's result when it was computed
  // for these bits, else refined now. Questions are expected in the order
  // of the entries, their lower ends ascending, as the search's one pass
  // from the starting roots asks them; entries below a question's lower
  // end are passed over, and any other question is answered all the same,
  // by refining it.
  double root(int n, double lo, double hi) override;

  // P_n'(x) for x[0 .. count), on the kernel's lanes.
  void derivatives(int n, int count, const double* x, double* dp) override;

  // Questions answered from entries, and refined now.
  [[nodiscard]] int hits() const { return hits_; }
  [[nodiscard]] int misses() const { return misses_; }

 private:
  class DryRun;

  // Questions and their answers, as columns for the kernel.
  struct Questions {
    double* lo = nullptr;
    double* hi = nullptr;
    double* root = nullptr;
    int count = 0;

    // The question at or after `next` with the bits of (lo, hi), or -1;
    // next then points past it. Questions below lo are passed over for
    // good: they were asked for gaps a search has passed.
    int find(int& next, double lo, double hi) const;
  };

  // Which questions of a dry run it noted.
  using NotedSet = std::bitset<memo_room(max_order)>;

  // Forgets the entries and lays space_ out for order n: two sets of
  // columns, each with room for `room` questions, the entries and the
  // questions of the run under way. The space comes from allocate_, as much
  // as the order needs, so that a run touches no page it does not use (each
  // costs it a fault); it grows when a higher order needs more. Without
  // memory for it the memo keeps nothing, and refines every question when
  // asked.
  void lay_out(int n);

  const LaneKernel& kernel_;
  SpaceAllocator allocate_;
  int order_ = 0;  // the order of every entry
  int room_ = 0;   // questions each set of columns holds
  Questions entries_;
  Questions asked_;  // compute_ahead's: the questions of a dry run
  NotedSet noted_;
  int next_ = 0;  // the entry the next question is expected to match
  int hits_ = 0;
  int misses_ = 0;
  double* space_ = nullptr;
  std::size_t space_length_ = 0;
};

}  // namespace zemta::detail
