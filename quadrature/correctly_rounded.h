// The Gauss-Legendre rule of order n, each node and weight the double
// nearest its exact value (ties to even), on [-1, 1] or on an interval
// [a, b]. Independent of compute_coefficients' tables and text: this is the
// rule itself, not the program's algorithm, and the program never calls it.
#pragma once

namespace zemta {

// Fills nodes[0..n-1] with the n nodes of the order-n rule in strictly
// ascending order and weights[i] with the weight of nodes[i]; both arrays
// hold n doubles. On [-1, 1] every value is the nearest double to the exact
// node or weight, the same bits on every platform; the nodes are
// antisymmetric (nodes[n-1-i] == -nodes[i]), the middle node of an odd
// order is exactly +0, and the weights are symmetric.
//
// Examples: order 2 gives nodes -/+0x1.279a74590331cp-1 (1/sqrt(3) rounded;
// 1.0 / std::sqrt(3.0) is the double above it) and weights 1, 1; order 3 gives
// weights 0x1.1c71c71c71c72p-1 (5/9 rounded), 0x1.c71c71c71c71cp-1 (8/9
// rounded), 0x1.1c71c71c71c72p-1.
//
// How it is known: the method (correctly_rounded.cpp) computes every value
// to within 2^-32 ulp before its one rounding (2^-36 ulp measured), and
// the tests labelled full check every node and weight of every order
// against 256-bit arithmetic; the nearest any exact value comes to a
// midpoint between two doubles is 2^-21 ulp.
//
// Domain: min_order <= n <= max_order (coefficients.h). Returns n, or 0
// outside the domain (the arrays are then untouched). Never allocates; needs a
// few KiB of stack.
int correctly_rounded_rule(int n, double* nodes, double* weights);

// The same rule on [a, b]: node (a + b)/2 + (b - a)/2 * x and weight
// (b - a)/2 * w for each node x and weight w of the rule on [-1, 1],
// computed in double-double from their unrounded values and rounded once.
// The nodes come in ascending order (not strictly when [a, b] holds too few
// doubles to tell them apart), the weights symmetric.
//
// What is guaranteed: each value is within about 2^-90 of the mapped
// value's size, (a + b)/2 + (b - a)/2 * |x| for a node, before its one
// rounding, so it is the nearest double unless the exact value lies that
// close to a midpoint, or the node is much smaller than that size (a node
// near 0 of an interval like [-1, 1 + 2^-40]), or the value is subnormal.
// Any b - a is handled, up to [-DBL_MAX, DBL_MAX]. Checked against 256-bit
// arithmetic on seven intervals, from [1e-300, 3e-300] to [-DBL_MAX,
// DBL_MAX], at four orders; only [-1, 1] is checked exhaustively.
//
// Domain: as above, with a and b finite and a < b. Returns n, or 0 outside
// the domain (the arrays are then untouched).
int correctly_rounded_rule(int n, double a, double b, double* nodes,
                           double* weights);

}  // namespace zemta
