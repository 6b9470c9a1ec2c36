// Internals of the computation: the steps of the root search, its one loop
// over the gaps, and the outline both computations run (starting roots,
// search, progress text, weights). They differ only in the Refiner they
// hand the outline. Not part of the library's interface, which is
// quadrature/coefficients.h; the tests and benchmarks use it to drive the
// steps one by one.
#pragma once

#include <cstdio>

#include "quadrature/coefficients.h"

namespace zemta::detail {

// Starting bracket of the smallest positive root of an even order:
// [0, 1.3 n^-0.94]. Holds for every even order up to max_order; order 10
// comes closest, its root lying 0.26 % below the upper end.
inline constexpr double first_root_scale = 1.3;
inline constexpr double first_root_exponent = 0.94;

// Starting bracket of the largest root of every order: [1 - 2.1 n^-1.9, 1].
inline constexpr double largest_root_scale = 2.1;
inline constexpr double largest_root_exponent = 1.9;

// The bracket ends above, for order n: 1.3 / n^0.94 and 1 - 2.1 / n^1.9,
// with n^y correctly rounded (correctly_rounded_pow), so that they are the
// same on every platform.
double first_root_bracket_end(int n);
double largest_root_bracket_start(int n);

// The Gauss-Legendre weight of the node x from dp = P_n'(x):
// w = 2 / ((1 - x^2) P_n'(x)^2), evaluated in exactly this order on every
// path, as the order fixes the rounding of the weights the program writes.
inline double gauss_weight(double x, double dp) {
  return ((2.0 / (1.0 - x * x)) / dp) / dp;
}

// Inserts x into table[0 .. count), strictly ascending, which has room for
// count + 1. Returns 0, leaving the table unchanged, when some entry t has
// |t - x| < root_tolerance (a duplicate). Otherwise stores x at the first
// position j >= 1 with table[j-1] < x < table[j], or at count when there is
// none, moving the entries above it up by one, and returns j (never 0).
//
// The place is found by galloping down from the top and a binary search,
// and only the two entries beside it are tested for a duplicate: in an
// ascending table no other entry is nearer to x. O(log (count - j))
// comparisons and the shift of the entries above.
int insert_root(double* table, int count, double x);

// Writes the progress line "\r<found> roots found out of <total>" to
// progress; nothing when progress is null (a search run dry, as the memo
// of predicted_search.h runs it, writes no text).
void report_progress(std::FILE* progress, int roots_found, int total);

// Takes a piece's result r: passes over a failure
// (r > newton_failure_threshold) or a duplicate of a held root (insert_root
// gives 0) and returns false; otherwise inserts r into
// abscissas[0 .. roots_found), counts it in roots_found, reports it to
// progress and returns true.
bool take_root(double r, double* abscissas, int& roots_found, int total,
               std::FILE* progress);

// The bracket of one piece of a gap.
struct Bracket {
  double lo;
  double hi;
};

// How a gap visit cuts its gap [lower, upper] into `count` pieces, handed
// out from the bottom up: piece k is [e_k, e_(k+1)], where e_0 = lower,
// e_(k+1) = e_k + step and step = (upper - lower) / count. The ends are
// accumulated, not computed as lower + k * step: the roundings of this
// order of operations fix where each Newton refinement starts, and so
// which root it finds. Pieces past the count may be asked for; they go on
// upward. Every search, and every prediction of one, cuts its gaps here.
class GapPieces {
 public:
  GapPieces(double lower, double upper, int count)
      : step_((upper - lower) / static_cast<double>(count)), end_(lower) {}

  // The next piece, piece 0 first.
  Bracket next() {
    const double lo = end_;
    end_ = lo + step_;
    return {lo, end_};
  }

 private:
  double step_;
  double end_;  // the upper end of the last piece handed out
};

// What the outline asks of the arithmetic: a refinement, newton_root(n, lo,
// hi), and the derivatives P_n'(x) of legendre_eval for the weights. An
// implementation must give exactly those bits; how and when it computes
// them is its own affair.
class Refiner {
 public:
  virtual double root(int n, double lo, double hi) = 0;
  virtual void derivatives(int n, int count, const double* x, double* dp) = 0;

 protected:
  ~Refiner() = default;
};

// The functions themselves, one call at a time.
class OneAtATime final : public Refiner {
 public:
  double root(int n, double lo, double hi) override;
  void derivatives(int n, int count, const double* x, double* dp) override;
};

// The search: finds the roots missing from abscissas[0 .. roots_found)
// until half_count(n) are held. Each pass walks the gaps from the bottom
// up, cuts a gap into half_count - roots_found + 1 pieces (GapPieces) and
// refines them in turn; the first piece whose root is new is inserted, its
// progress line written, and the walk moves on to the next gap, the one
// above the new root. Returns half_count, or search_stalled after a pass
// that added nothing. Progress lines go to progress (null: none).
int search_roots(int n, double* abscissas, int roots_found, std::FILE* progress,
                 Refiner& refiner);

// The roots of an accepted order n into abscissas[0 .. half_count(n)): the
// starting roots (0 for odd n, else the root in [0, first_root_bracket_end],
// and from order 3 the largest root, in [largest_root_bracket_start, 1]),
// stored without a check, as both brackets converge for every accepted
// order; from order 5 the progress line for those 2 roots, the search and a
// closing "\n", all to progress (null: no text). Returns half_count or
// search_stalled.
int find_roots(int n, double* abscissas, std::FILE* progress, Refiner& refiner);

// The whole computation of compute_coefficients (same contract), with the
// given refiner: "computing coefficients\n" to diag; find_roots with diag
// as its progress; then one gauss_weight per root.
int compute_with(int n, double* abscissas, double* weights, std::FILE* diag,
                 Refiner& refiner);

}  // namespace zemta::detail
