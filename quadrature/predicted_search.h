// The program's path: the search's refinements computed ahead, on wide
// lanes, from predicted roots, and kept in a memo the search then asks.
//
// In the search every gap visit starts from the root the visit before it
// found, so refined one after another the visits wait on each other's
// divisions. Here the memo refines every visit's first pieces at once, from
// a predicted previous root, before the search starts; the search, the one
// loop of root_search.h, then asks the memo for each refinement in turn.
// A prediction that was off only makes a question the memo cannot answer,
// which it refines there and then.
#pragma once

#include <cstddef>
#include <cstdlib>

#include "quadrature/lane_kernel.h"
#include "quadrature/root_search.h"

namespace zemta {

// Approximates the count = half_count(n) non-negative roots of P_n,
// ascending, into approx[0 .. count). Any values will do; close ones make
// the memo answer.
using RootPredictor = void (*)(int n, int count, double* approx);

// Tricomi's asymptotic form of the roots,
//   x_k = (1 - 1/(8 n^2) + 1/(8 n^3)) cos(pi (4k - 1) / (4n + 2)),
// k = 1 for the largest: close, and closer the higher the order, but far
// from the last bits. The memo polishes these by Newton before it builds on
// them.
void predict_roots_asymptotic(int n, int count, double* approx);

namespace detail {

// newton_root results computed ahead, each kept with the (n, lo, hi) it was
// computed for, and the derivatives for the weights on the same lanes.
//
// Why the computation stays exact: newton_root is a pure function of the
// bits of (n, lo, hi), every lane of every kernel gives its bits
// (lane_kernel.h, held to it by the kernel tests), and the memo answers
// only a question whose n, lo and hi have the bits of an entry's. Any other
// question is refined now by newton_root. So every answer is the one
// newton_root gives, and the tables, text and result are those of the
// one-at-a-time computation, whatever the predictor.
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

  // Replaces the entries with what the outline and its search from the
  // starting roots will ask at order n, as far as the predictor lets it
  // foresee: the starting roots, then each visit's first pieces, every
  // visit built on the root the one before it will find (a polished
  // prediction, rebuilt where the results show it was another). Nothing
  // for an order outside the accepted range.
  void compute_ahead(int n, RootPredictor predict);

  // Keeps r as the answer to (n, lo, hi), after the entries held. The
  // entries are all for one order: keeping an answer for another order
  // first forgets them.
  void keep(int n, double lo, double hi, double r);

  // newton_root(n, lo, hi): an entry's result when one of the next entries
  // was computed for these bits, else refined now. Questions are expected
  // in the order the entries were kept, their lower ends ascending, as the
  // search's first pass asks them; others are answered all the same, by
  // refining them.
  double root(int n, double lo, double hi) override;

  // P_n'(x) for x[0 .. count), on the kernel's lanes.
  void derivatives(int n, int count, const double* x, double* dp) override;

  // Questions answered from entries, and refined now.
  [[nodiscard]] int hits() const { return hits_; }
  [[nodiscard]] int misses() const { return misses_; }

 private:
  // The pieces of a visit computed ahead. Two are enough: in every search
  // the program makes (orders 5 to 999, from the two starting roots) piece
  // 0 of a visit converges back to the lower end it holds, a duplicate, and
  // piece 1 to the new root (the test EveryGapVisitCostsTwoRefinements
  // counts this).
  static constexpr int pieces_ahead = 2;
  static constexpr int max_visits = half_count(max_order) - 2;

  // Entries the memo holds at order n: the two starting roots and the
  // pieces of every visit.
  static constexpr int capacity_for(int n) {
    const int visits = half_count(n) - 2;
    return 2 + (visits > 0 ? visits : 0) * pieces_ahead;
  }

  // Forgets the entries and lays space_ out for order n: the entries'
  // columns, then a repair batch's brackets and results, each as long as
  // order n needs. The space comes from allocate_, as much as the order
  // needs, so that a run touches no page it does not use (each costs it a
  // fault); it grows when a higher order needs more. Without memory for it
  // the memo keeps nothing, and refines every question when asked.
  void lay_out(int n);

  const LaneKernel& kernel_;
  SpaceAllocator allocate_;
  int capacity_ = 0;  // of the columns as laid out
  int count_ = 0;
  int next_ = 0;  // the entry the next question is expected to match
  int hits_ = 0;
  int misses_ = 0;
  int order_ = 0;  // the order of every entry
  // The entries, as columns for the kernel. Entries past count_ are never
  // read, so nothing is cleared.
  double* lo_ = nullptr;
  double* hi_ = nullptr;
  double* root_ = nullptr;
  // compute_ahead's: a repair batch's brackets and results.
  double* batch_lo_ = nullptr;
  double* batch_hi_ = nullptr;
  double* batch_root_ = nullptr;
  double* space_ = nullptr;
  std::size_t space_length_ = 0;
};

}  // namespace detail
}  // namespace zemta
