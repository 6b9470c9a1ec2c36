// The inner nodes and weights of the Gauss-Lobatto and Gauss-Radau rules
// from Legendre's recurrence, as the Gauss-Legendre rule is computed
// (correctly_rounded.h), each with a bound on its error and rounded only
// where the bound decides its rounding. Internal to the quadrature library:
// the Lobatto and Radau families (families/lobatto_radau.cpp) take this
// path first and the tridiagonal engine where it declines.
#pragma once

#include "common/double_double.h"
#include "rule/quadrature/root_batch.h"

namespace zemta::detail {

// For 3 <= n <= max_order: the n - 2 inner nodes of Lobatto's rule of
// order n, the roots of P_{n-1}', into nodes[0 .. n - 3] ascending, and
// their weights 2 / (n (n - 1) P_{n-1}(x)^2) into weights[0 .. n - 3], on
// [-1, 1] (on_interval false) or mapped onto [a, b] (finite a < b) as
// families.h says. Each value the nearest double, ties to even; returns
// false when a bound does not decide a value (the arrays are then
// unspecified and the engine is to be asked).
bool lobatto_inner_rule(const RootBatchKernel& kernel, int n, bool on_interval,
                        double a, double b, double* nodes, double* weights);

// For 2 <= n <= max_order: the n - 1 nodes of Radau's rule of order n
// other than its fixed end, the roots of P_n + P_{n-1} other than -1, and
// their weights (1 - x) / (n^2 P_{n-1}(x)^2), as above; right: those of
// radau-right, their mirror image (-x, the same weights).
bool radau_inner_rule(const RootBatchKernel& kernel, int n, bool right,
                      bool on_interval, double a, double b, double* nodes,
                      double* weights);

// The values before their rounding, for the tests that hold them to their
// bounds, on [-1, 1] in double-double: Lobatto's half_count(n - 2)
// non-negative inner nodes of order n, ascending, and their weights; and
// Radau's n - 1 (left).
void lobatto_inner_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                           Dd* weights);
void radau_inner_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                         Dd* weights);

// For tests: while set, both decline every rule, so that the engine
// computes it. Not thread-safe; the program never sets it.
void set_lobatto_radau_recurrence_refused(bool refused);

// The bounds (lobatto_radau_recurrence.cpp derives them): each node within
// 2^..._node_error_exponent of its exact value, each weight within
// 2^..._weight_error_exponent relative.
inline constexpr int lobatto_node_error_exponent = -92;
inline constexpr int lobatto_weight_error_exponent = -83;
inline constexpr int radau_node_error_exponent = -92;
inline constexpr int radau_weight_error_exponent = -80;

}  // namespace zemta::detail
