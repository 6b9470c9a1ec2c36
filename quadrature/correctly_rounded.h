// The Gauss-Legendre rule of order n, each node and weight the double
// nearest its exact value (ties to even), on [-1, 1] or on an interval
// [a, b]. Independent of compute_coefficients' tables and text: this is the
// rule itself, not the program's algorithm.
#pragma once

namespace zemta {

// Fills nodes[0..n-1] with the n nodes of the order-n rule in strictly
// ascending order and weights[i] with the weight of nodes[i]; both arrays
// hold n doubles. On [-1, 1] every value is the nearest double to the exact
// node or weight, the same bits on every platform; the nodes are
// antisymmetric (nodes[n-1-i] == -nodes[i]), the middle node of an odd
// order is exactly 0, and the weights are symmetric.
//
// Domain: min_order <= n <= max_order (coefficients.h). Returns n, or 0
// outside the domain (the arrays are then untouched).
int correctly_rounded_rule(int n, double* nodes, double* weights);

// The same rule on [a, b]: node (a + b)/2 + (b - a)/2 * x and weight
// (b - a)/2 * w for each node x and weight w of the rule on [-1, 1],
// computed from their high-precision values and rounded once.
//
// Domain: as above, with a and b finite and a < b. Returns n, or 0 outside
// the domain (the arrays are then untouched).
int correctly_rounded_rule(int n, double a, double b, double* nodes,
                           double* weights);

}  // namespace zemta
