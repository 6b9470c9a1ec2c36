// The slow path of the correctly rounded rule on [a, b]: a node or weight
// whose rounding the double-double value could not decide, found exactly.
// Internal to the quadrature library.
//
// The root r of P_n is enclosed between two dyadic numbers xl < r < xh
// whose values of P_n have opposite signs, each sign computed exactly in
// integers (no error bound to trust). The node (a + b)/2 +- (b - a)/2 r is
// monotone in r, so it lies between its exact values at xl and xh; the
// weight (b - a)/2 * 2 (1 - r^2) / (n (P_{n-1}(r) - r P_n(r)))^2 between
// bounds from the exact values at xl and Markov's inequality |p'| <= k^2
// for a polynomial p of degree k with |p| <= 1 on [-1, 1]. When both
// bounds round to the same double (exactly, big_binary.h), so does the
// value; otherwise the enclosure is narrowed with twice the bits.
#pragma once

#include "common/double_double.h"
#include "rule/quadrature/big_binary.h"

namespace zemta::detail {

// The most bits of the enclosure, past which the slow path stops and
// returns the rounding of the value at its best root: a value would have
// to lie within about 2^-4000 (b - a) of a midpoint between doubles to get
// there.
inline constexpr int exact_value_max_bits = 4096;

// (a + b)/2 and (b - a)/2, exactly.
Dyadic half_sum(double a, double b);
Dyadic half_difference(double a, double b);

// For the root r > 0 of P_n (2 <= n <= 999) within 2^-60 of root (the
// fast path's root, within about 2^-95), and finite a < b: the double
// nearest (a + b)/2 + sign (b - a)/2 r, sign = +1 or -1, and the double
// nearest the weight (b - a)/2 w(r). bits, if not null, gets the bits of
// the enclosure that decided the rounding.
double exact_mapped_node(int n, Dd root, double a, double b, int sign,
                         int* bits);
double exact_mapped_weight(int n, Dd root, double a, double b, int* bits);

}  // namespace zemta::detail
