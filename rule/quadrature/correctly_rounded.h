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
// to within 2^-32 ulp before its one rounding (the tests hold every value
// to that), and the tests labelled full check every node and weight of
// every order against 256-bit arithmetic and print how near any exact
// value comes to a midpoint between two doubles (about 2^-22 ulp).
//
// Domain: min_order <= n <= max_order (coefficients.h). Returns n, or 0
// outside the domain (the arrays are then untouched). Never allocates; needs a
// few KiB of stack.
int correctly_rounded_rule(int n, double* nodes, double* weights);

// The same rule on [a, b]: each node the double nearest (a + b)/2 + (b -
// a)/2 x and each weight the double nearest (b - a)/2 w, for each node x
// and weight w of the rule on [-1, 1], ties to even, at the double's own
// quantum (2^-1074 for a subnormal: a weight below 2^-1075 is 0, and a
// negative node that rounds to 0 is -0). The same bits on every
// platform. The nodes come in ascending order (not strictly when [a, b]
// holds too few doubles to tell them apart), the weights symmetric. Any
// finite a < b is handled, subnormal ends included, up to [-DBL_MAX,
// DBL_MAX].
//
// Example: order 2 on [0, 3 * 2^-1074] gives nodes 2^-1074 and 2 * 2^-1074
// (the exact ones are 0.634 and 2.366 times 2^-1074) and weights 2 *
// 2^-1074 both (1.5 * 2^-1074, a tie, to even).
//
// How it is known: each value is computed in double-double with a bound
// on its error, and kept only when the bound puts it inside one rounding
// cell; the rest (a node that cancels to near 0, a value near a midpoint
// between doubles, a tie) are computed exactly (exact_value.h): the root
// enclosed between two dyadics by exact signs of P_n, and the value's
// bounds rounded exactly, with twice the bits until they agree, up to
// 4096 bits (a value would have to lie within about 2^-4000 (b - a) of a
// midpoint to need more; the value at the best root is then rounded). The
// tests labelled full check every order on eleven hard intervals (ends
// of a few subnormals, straddling 0, one end tiny, huge ends, a node
// cancelling to 2^-104 (b - a)) against MPFR, whose own rounding is made
// certain; the default tests check a few orders, and the slow path alone.
//
// Domain: as above, with a and b finite and a < b. Returns n, or 0 outside
// the domain (the arrays are then untouched). Unlike the rule on [-1, 1],
// allocates when a value takes the exact path.
int correctly_rounded_rule(int n, double a, double b, double* nodes,
                           double* weights);

}  // namespace zemta
