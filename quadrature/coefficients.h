// The Gauss-Legendre rule of order n: its non-negative nodes and weights.
//
// Tables: `abscissas` and `weights` hold half_count(n) = (n + 1) / 2 doubles.
// `abscissas` holds the non-negative roots of P_n in strictly ascending order;
// for odd n, abscissas[0] is exactly 0.0 (the middle node). weights[i] is the
// weight of both +abscissas[i] and -abscissas[i]; for even n the weights sum
// to 1, for odd n weights[0] + 2 * (the rest) is 2, both within a few ulps.
#pragma once

#include <cstdio>

#include "quadrature/newton.h"

namespace zemta {

inline constexpr int min_order = 2;
inline constexpr int max_order = 999;

// Number of non-negative nodes of the rule of order n.
constexpr int half_count(int n) { return (n + 1) / 2; }

// compute_coefficients' result when a search pass adds no root. Unreachable
// for orders min_order to max_order; it guards against looping forever.
inline constexpr int search_stalled = -1;

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

// Inserts x into table[0 .. count), ascending, which has room for count + 1.
// Returns 0, leaving the table unchanged, when some entry t has
// |t - x| < root_tolerance (a duplicate). Otherwise stores x at the first
// position j >= 1 with table[j-1] < x < table[j], or at count when there is
// none, moving the entries above it up by one, and returns j (never 0).
int insert_root(double* table, int count, double x);

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
// upward.
//
// The exactness of the speculative path rests on this: piece k is a
// function of (lower, upper, count, k) alone, in fixed IEEE operations; it
// reads nothing else (not the table, not another piece's result). A
// refinement is a function of (n, lo, hi) alone: newton_root, and every
// lane of every kernel, which give its bits. So a visit that meets the
// same bits of lower, upper and count has, bit for bit, the same pieces and
// the same piece results, whenever and on whatever lanes they were
// computed. Every search cuts its gaps here and nowhere else.
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

// Takes a piece's result r as every search does: passes over a failure
// (r > newton_failure_threshold) or a duplicate of a held root (insert_root
// gives 0) and returns false; otherwise inserts r into
// abscissas[0 .. roots_found), counts it in roots_found, writes the progress
// line "\r<roots_found> roots found out of <total>" to diag and returns
// true.
bool take_root(double r, double* abscissas, int& roots_found, int total,
               std::FILE* diag);

// Refines one root of P_n inside [lo, hi]; newton_root is the real one.
using Refiner = double (*)(int n, double lo, double hi);

// Searches out the roots missing from abscissas[0 .. roots_found) until
// half_count(n) are held. Each pass walks the gaps from the bottom up, cuts a
// gap into half_count - roots_found + 1 pieces (GapPieces) and refines them
// in turn; the first piece whose root is new is inserted, the progress line
// "\r<found> roots found out of <half_count>" goes to diag, and the walk
// moves on to the next gap, the one above the new root. Returns half_count,
// or search_stalled after a pass that added nothing.
int search_roots(int n, double* abscissas, int roots_found, std::FILE* diag,
                 Refiner refine = newton_root);

// Writes the progress line "\r<found> roots found out of <total>" to diag.
void report_progress(std::FILE* diag, int roots_found, int total);

// Whether the computation accepts order n: min_order <= n <= max_order.
// Its fixed work arrays are sized for max_order.
constexpr bool order_in_range(int n) {
  return n >= min_order && n <= max_order;
}

// Fills both tables for order n and returns half_count(n); returns
// search_stalled if the root search stops making progress. Writes
// "computing coefficients\n" to diag and, for n >= 5, the progress line for
// 2, 3, ..., half_count roots and a closing "\n". Does not allocate.
//
// Domain: min_order <= n <= max_order. Outside it, returns 0 after the
// first line and touches neither table.
//
// This is the readable definition: one newton_root after another, then one
// legendre_eval per weight.
int compute_coefficients_one_at_a_time(int n, double* abscissas,
                                       double* weights, std::FILE* diag);

// What the program runs: the same tables, text and result as
// compute_coefficients_one_at_a_time, bit for bit, computed on the
// speculative path (quadrature/predicted_search.h) with the fastest lane kernel
// this processor runs. Built with ZEMTA_ONE_AT_A_TIME defined, it
// runs compute_coefficients_one_at_a_time instead (the benchmark baseline).
int compute_coefficients(int n, double* abscissas, double* weights,
                         std::FILE* diag);

}  // namespace zemta
