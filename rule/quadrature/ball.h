// Ball arithmetic: a value known to lie in [mid - rad, mid + rad], with a
// dyadic midpoint of about `bits` significant bits and a cheap radius
// rounded upward, for the correctly rounded Gauss families. A value is
// rounded only when its whole ball rounds to one double (ball_round);
// otherwise the caller recomputes it with twice the bits.
//
// Every operation encloses: for every pair of values of its operands, the
// exact result of the operation lies in the returned ball. The midpoint is
// computed exactly and then cut to `bits` bits toward zero, the cut added
// to the radius; the radius follows the midpoint-radius rules
// (|x| ry + |y| rx + rx ry for a product, and so on), each step rounded up.
// `bits` is 64 to 16384; an exact input (from a double, an integer or a
// dyadic) keeps all its bits until an operation cuts them.
//
// A ball can be "whole": it contains every real number (a division by a
// ball that contains 0, a square root of a negative ball). Every operation
// on a whole ball gives a whole ball; ball_sign says 0 and ball_round
// false for it.
//
// Exponents are ints, the radius a 32-bit mantissa with an int exponent:
// magnitudes from about 2^-(2^30) to 2^(2^30) work without overflow, far
// beyond the 1e-2000 to 1e+2000 the rules reach. Internal to the quadrature
// library. Only the standard library; allocates (the midpoint's limbs);
// nothing throws but the allocation.
#pragma once

#include <cstdint>

#include "rule/quadrature/big_binary.h"

namespace zemta::detail {

// mantissa * 2^exponent, an upper bound on a radius: 0, or a mantissa in
// [2^31, 2^32).
struct BallRadius {
  std::uint32_t mantissa = 0;
  int exponent = 0;
};

// Bits of a midpoint: the least and the most an operation takes.
inline constexpr int ball_min_bits = 64;
inline constexpr int ball_max_bits = 16384;

struct Ball {
  Dyadic mid;
  BallRadius rad;
  bool whole = false;
};

// Exact balls, radius 0. v finite.
Ball ball_from_double(double v);
Ball ball_from_int(std::int64_t v);
Ball ball_from_dyadic(const Dyadic& v);

Ball ball_add(const Ball& x, const Ball& y, int bits);
Ball ball_sub(const Ball& x, const Ball& y, int bits);
Ball ball_mul(const Ball& x, const Ball& y, int bits);
// y must exclude 0; if it does not, the result is whole.
Ball ball_div(const Ball& x, const Ball& y, int bits);
Ball ball_neg(const Ball& x);
// x * 2^e, exact (midpoint and radius both scaled).
Ball ball_mul_2exp(const Ball& x, int e);
// x >= 0. A ball straddling 0 gives an enclosure of [0, sqrt(x's upper
// end)]; a ball wholly below 0 gives a whole ball.
Ball ball_sqrt(const Ball& x, int bits);
// The ball with extra (>= 0; its magnitude is used) added to the radius:
// for an enclosure the caller derives, such as a series' truncation error.
Ball ball_widen(const Ball& x, const Dyadic& extra);

// +1 if every value of x is > 0, -1 if every value is < 0, 0 otherwise
// (the ball touches or contains 0, or is whole).
int ball_sign(const Ball& x);

// True, with *out set, when every value in [mid - rad, mid + rad] rounds to
// the same double: nearest, ties to even, at the double's own quantum
// (2^-1074 for subnormals, so a magnitude below 2^-1075 rounds to 0, and
// 2^-1075 itself, a tie, too). A zero takes the midpoint's sign (-0 for a
// negative midpoint). False for a whole ball, when the ends round to
// different doubles, or past DBL_MAX's rounding boundary (never infinity,
// never NaN). Exact: both ends are rounded by dyadic_round.
//
// Example: the ball 1 + 2^-53 (a tie) with radius 0 rounds to 1; with any
// radius above 0 it does not round.
bool ball_round(const Ball& x, double* out);

// The midpoint rounded to nearest, ties to even (for starting points and
// tests); infinity past DBL_MAX's rounding boundary, 0 for a whole ball.
double ball_mid_double(const Ball& x);

// The exact ends mid - rad and mid + rad (a whole ball's are meaningless:
// test x.whole first).
Dyadic ball_lower(const Ball& x);
Dyadic ball_upper(const Ball& x);

// Constants and functions, each enclosing the true value for every value of
// its argument; each series' truncation error is bounded beside its code
// (ball.cpp). Working precision is `bits` plus guard bits; the radius of
// the result reflects the argument's radius as well.

// pi, by Machin's formula.
Ball ball_pi(int bits);
// exp(x); whole when |x| may reach 2^30 (the exponent range).
Ball ball_exp(const Ball& x, int bits);
// log(x) for x > 0 (whole otherwise).
Ball ball_log(const Ball& x, int bits);
// log Gamma(x) for x > 0 (whole otherwise): the argument shifted up by the
// recurrence, then Stirling's series with its remainder bound. The error is
// absolute near log Gamma's zeros at 1 and 2 (a ball around 0 there).
// Keeps the series' Bernoulli numbers between calls, unlocked: one thread
// at a time.
Ball ball_log_gamma(const Ball& x, int bits);
// x^y = exp(y log x) for x > 0 (whole otherwise).
Ball ball_pow(const Ball& x, const Ball& y, int bits);

}  // namespace zemta::detail
