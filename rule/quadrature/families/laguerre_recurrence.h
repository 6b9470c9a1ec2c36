// The Gauss-Laguerre rule of weight e^-x (alpha = 0) from Laguerre's
// recurrence in double-double, as the Gauss-Legendre rule is computed
// (correctly_rounded.h), each value with a bound on its error and rounded
// only where the bound decides its rounding. Internal to the quadrature
// library: the Laguerre family (families/laguerre.cpp) takes this path
// first at alpha = 0 and the tridiagonal engine where it declines and at
// every other alpha, where no sweep over the orders can confirm a bound.
#pragma once

#include "common/double_double.h"
#include "rule/quadrature/root_batch.h"

namespace zemta::detail {

// For 1 <= n <= max_order: the n nodes of the order-n rule of e^-x on [0,
// infinity) into nodes[0 .. n - 1] ascending and their weights (scaled:
// times e^x) into weights[0 .. n - 1], each the nearest double, ties to
// even, subnormals included and 0 below half the least subnormal; false
// when a bound does not decide a value (the arrays are then unspecified
// and the engine is to be asked).
bool laguerre_rule(const RootBatchKernel& kernel, bool scaled, int n,
                   double* nodes, double* weights);

// The values before their rounding, for the tests that hold them to their
// bounds: the n nodes, ascending, in double-double, and their weights as
// weights[j] 2^weight_exponents[j].
void laguerre_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                      Dd* weights, int* weight_exponents);

// For tests: while set, laguerre_rule declines every rule, so that the
// engine computes it. Not thread-safe; the program never sets it.
void set_laguerre_recurrence_refused(bool refused);

// The bounds, relative: nodes, weights, and scaled weights.
inline constexpr int laguerre_node_error_exponent = -84;
inline constexpr int laguerre_weight_error_exponent = -76;
inline constexpr int laguerre_scaled_weight_error_exponent = -71;

}  // namespace zemta::detail
