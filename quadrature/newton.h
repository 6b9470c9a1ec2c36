// Bracketed Newton refinement of one root of P_n.
#pragma once

#include <cfloat>

namespace zemta::detail {

// Convergence tolerance of the refinement, which the root search also uses
// to tell a new root from one it holds: 100 units of DBL_EPSILON,
// 100 * 2^-52 = 2.220446049250313e-14 (exact in double). Neighbouring roots
// of P_n for n <= 999 are at least 1.2e-5 apart, far wider.
inline constexpr double root_tolerance = 100.0 * DBL_EPSILON;

// What newton_root returns when it gives up. It lies outside [-1, 1], where
// every root of P_n lies; callers treat any result above
// newton_failure_threshold as a failure.
inline constexpr double failure_value = 2.0;
inline constexpr double newton_failure_threshold = 1.5;

// A derivative smaller than this in magnitude makes the Newton step
// unreliable; the refinement gives up rather than take it. |P_n'| is far
// larger than this at every root of every order the program accepts.
inline constexpr double min_derivative = 0.5;

// Newton converges quadratically from inside a bracket that isolates the
// root; 20 rounds are several times what any accepted order needs.
inline constexpr int max_newton_rounds = 20;

// Refines a root of P_n in [lo, hi] (lo < hi), starting from the midpoint.
//
// Each round evaluates P and P' at x, gives up with failure_value when
// |P'| < min_derivative, steps to t = x - P/P', clamps t to [hi] then [lo],
// and returns t when |P(x)| <= root_tolerance (the residual at the point the
// step was taken from, while the value returned is the stepped point) or when
// |t - x| <= root_tolerance. After max_newton_rounds rounds without either,
// returns failure_value.
//
// Guarantees: the result is failure_value or lies in [lo, hi]. When a step
// leaves the bracket twice at the same end, that end is returned even if it
// is not a root: the root search discards such returns as duplicates of the
// root held there.
//
// Every lane kernel (lane_kernel.h) keeps this contract bit for bit; the
// tests run its cases through every variant.
double newton_root(int n, double lo, double hi);

}  // namespace zemta::detail
