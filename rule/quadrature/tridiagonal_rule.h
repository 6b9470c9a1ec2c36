// The Gauss rule of a symmetric tridiagonal Jacobi matrix, every node and
// weight the nearest double, for the families other than Gauss-Legendre.
// Internal to the quadrature library.
//
// A weight function's orthonormal polynomials satisfy a three-term
// recurrence whose coefficients make the Jacobi matrix T (diagonal a_k,
// off-diagonal b_k): the rule's nodes are T's eigenvalues and its weights
// mu0 u_1^2, u the unit eigenvector and mu0 the weight's integral (Golub
// and Welsch). Nothing here is a floating-point heuristic: each node is
// enclosed by exact eigenvalue counts (Sylvester's inertia of T - z, its
// pivots computed in ball arithmetic, ball.h) and each weight evaluated
// over that enclosure; a value is taken only when its whole enclosure
// rounds to one double, and is recomputed with twice the bits otherwise
// (tridiagonal_rule.cpp has the derivation).
#pragma once

#include <vector>

#include "rule/quadrature/ball.h"

namespace zemta::detail {

// T of order m = a.size(): a its diagonal, b2[k] the square of the entry
// joining rows k and k+1 (b2.size() == m - 1, every b2[k] > 0), mu0 the
// integral of the weight function. Balls enclosing the exact entries.
struct JacobiMatrix {
  std::vector<Ball> a;
  std::vector<Ball> b2;
  Ball mu0;
};

// Fills *out with T's entries to about `bits` bits (the engine asks again
// with more when they are too loose). false: cannot at these bits (the
// engine then asks with twice the bits, and gives up past the most).
using JacobiMatrixMaker = bool (*)(const void* context, int bits,
                                   JacobiMatrix* out);

// What multiplies mu0 u_1^2 to give a weight of the table, as a function
// of the node x of T: 1, e^(x^2), e^(x^2/2), e^x (the --scaled weights of
// the Hermite and Laguerre kinds), or the 1/(1 - x^2), 1/(1 + x), 1/(1 -
// x) that turn the Jacobi rules at Lobatto's and Radau's interior nodes
// into their weights.
enum class WeightFactor {
  one,
  exp_square,
  exp_half_square,
  exp_linear,
  inverse_one_minus_square,
  inverse_one_plus,
  inverse_one_minus
};

// How a node x and weight w of T become the table's: the node shift +
// scale x and the weight scale factor(x) w, each rounded once from its
// exact value. shift = 0 and scale = 1 off an interval; (a + b)/2 and (b
// - a)/2 exactly (exact_value.h) on [a, b].
struct RuleMap {
  Dyadic shift;
  Dyadic scale;
  WeightFactor factor = WeightFactor::one;
};

// The identity map: shift 0, scale 1.
RuleMap identity_map(WeightFactor factor);
// The map of [-1, 1] onto [a, b], finite a < b.
RuleMap interval_map(double a, double b, WeightFactor factor);

// The rule of T of order m (1 <= m, as many as the maker gives): nodes[k]
// (ascending) the double nearest shift + scale lambda_k, weights[k] the
// double nearest scale factor(lambda_k) mu0 u_{k,1}^2, ties to even, at
// the double's own quantum (a weight under 2^-1075 is 0). symmetric: the
// maker's diagonal is exactly 0, so the nodes come in pairs -+x with equal
// weights (and 0 in the middle of an odd order): only half are computed.
//
// Returns true with every value certified. false when the maker fails at
// every precision, or a weight lies past DBL_MAX's rounding boundary (the
// arrays are then unspecified). A value still undecided at
// tridiagonal_max_bits lies within about 2^-4000 relative of a midpoint
// between two doubles (or is one: a rational node or weight of an order-1
// matrix on a chosen interval can be); it is given the even one of the two,
// as a tie would be, and counted in fallback_count().
bool tridiagonal_gauss_rule(JacobiMatrixMaker make, const void* context, int m,
                            bool symmetric, const RuleMap& map, double* nodes,
                            double* weights);

// The precisions of the ball arithmetic: the first try, and the most.
inline constexpr int tridiagonal_start_bits = 128;
inline constexpr int tridiagonal_max_bits = 4096;

// For tests: the first try's bits (tridiagonal_start_bits unless set;
// set_tridiagonal_start_bits(0) restores it), a switch that takes each
// value's enclosure midpoint at the first try without asking whether its
// enclosure rounds (to show the test would catch the rounding test's
// removal), and counters of the values that needed more than the first
// try and that took the midpoint at tridiagonal_max_bits. Not thread-safe;
// the program never sets them.
void set_tridiagonal_start_bits(int bits);
void set_tridiagonal_skip_rounding_test(bool skip);
long long retry_count();
long long fallback_count();
void reset_tridiagonal_counts();

}  // namespace zemta::detail
