// The Gauss-Hermite rules (weights e^(-x^2) and e^(-x^2/2)) from Hermite's
// recurrence in double-double, as the Gauss-Legendre rule is computed
// (correctly_rounded.h), each value with a bound on its error and rounded
// only where the bound decides its rounding. Internal to the quadrature
// library: the Hermite family (families/hermite.cpp) takes this path first
// and the tridiagonal engine where it declines.
#pragma once

#include "common/double_double.h"
#include "rule/quadrature/root_batch.h"

namespace zemta::detail {

// For 1 <= n <= max_order: the n nodes of the order-n rule of e^(-x^2)
// (probabilists: e^(-x^2/2)) into nodes[0 .. n - 1] ascending and their
// weights into weights[0 .. n - 1] (scaled: times e^(x^2), e^(x^2/2)),
// each the nearest double, ties to even, subnormals included and 0 below
// half the least subnormal; returns false when a bound does not decide a
// value (the arrays are then unspecified and the engine is to be asked).
bool hermite_rule(const RootBatchKernel& kernel, bool probabilists, bool scaled,
                  int n, double* nodes, double* weights);

// The values before their rounding, for the tests that hold them to their
// bounds: the half_count(n) non-negative nodes, ascending, in
// double-double, and their weights as weights[j] 2^weight_exponents[j].
void hermite_rule_dd(const RootBatchKernel& kernel, bool probabilists, int n,
                     Dd* nodes, Dd* weights, int* weight_exponents);

// For tests: while set, hermite_rule declines every rule, so that the
// engine computes it. Not thread-safe; the program never sets it.
void set_hermite_recurrence_refused(bool refused);

// The bounds: each node within 2^hermite_node_error_exponent of its exact
// value, each weight within 2^hermite_weight_error_exponent relative, and
// 2^hermite_scaled_weight_error_exponent scaled.
inline constexpr int hermite_node_error_exponent = -84;
inline constexpr int hermite_weight_error_exponent = -78;
inline constexpr int hermite_scaled_weight_error_exponent = -75;

}  // namespace zemta::detail
