// The Gauss-Legendre rule of order n: its non-negative nodes and weights.
//
// Tables: `abscissas` and `weights` hold half_count(n) = (n + 1) / 2 doubles.
// `abscissas` holds the non-negative roots of P_n in strictly ascending order;
// for odd n, abscissas[0] is exactly 0.0 (the middle node). weights[i] is the
// weight of both +abscissas[i] and -abscissas[i]; for even n the weights sum
// to 1, for odd n weights[0] + 2 * (the rest) is 2, both within a few ulps.
//
// This header is the library's interface, with the correctly rounded rule
// of correctly_rounded.h; everything else in quadrature/ lives in
// zemta::detail. Both computations run one outline and one search loop
// (quadrature/root_search.h); the one-at-a-time computation is defined with
// them in root_search.cpp, the program's in predicted_search.cpp.
#pragma once

#include <cstdio>

namespace zemta {

inline constexpr int min_order = 2;
inline constexpr int max_order = 999;

// Whether the computation accepts order n: min_order <= n <= max_order.
// max_order is as far as the starting brackets of the root search are
// checked (root_search.h).
constexpr bool order_in_range(int n) {
  return n >= min_order && n <= max_order;
}

// Number of non-negative nodes of the rule of order n.
constexpr int half_count(int n) { return (n + 1) / 2; }

// The computations' result when a search pass adds no root. Unreachable
// for orders min_order to max_order; it guards against looping forever.
inline constexpr int search_stalled = -1;

// Fills both tables for order n and returns half_count(n); returns
// search_stalled if the root search stops making progress. Writes
// "computing coefficients\n" to diag and, for n >= 5, the progress line
// "\r<found> roots found out of <half_count>" for 2, 3, ..., half_count roots
// and a closing "\n". Allocates the memo's space (RefinementMemo in
// predicted_search.h), as long as order n needs, and frees it before it
// returns.
//
// Domain: min_order <= n <= max_order. Outside it, returns 0 after the
// first line and touches neither table.
//
// Computes ahead on the fastest lane kernel this processor runs; the
// tables, the text and the result are those of
// compute_coefficients_one_at_a_time, bit for bit.
int compute_coefficients(int n, double* abscissas, double* weights,
                         std::FILE* diag);

// The same contract, computed as it is defined: one newton_root after
// another, then one legendre_eval per weight. The readable reference, and
// the baseline the benchmarks time the program against.
int compute_coefficients_one_at_a_time(int n, double* abscissas,
                                       double* weights, std::FILE* diag);

// Either of the two, for callers that are handed the computation to run.
using CoefficientComputation = int (*)(int n, double* abscissas,
                                       double* weights, std::FILE* diag);

}  // namespace zemta
