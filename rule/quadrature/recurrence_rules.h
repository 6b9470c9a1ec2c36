// What the rules computed from a three-term recurrence in double-double
// share (Gauss-Legendre, correctly_rounded.cpp; in families/, the inner
// nodes of Gauss-Lobatto and Gauss-Radau, lobatto_radau_recurrence.cpp,
// Gauss-Hermite, hermite_recurrence.cpp, and Gauss-Laguerre at alpha = 0,
// laguerre_recurrence.cpp): what places their starting points, factorials
// and exponentials beyond the doubles' exponents, and the test that rounds
// a value computed with a bound on its error, mapped from [-1, 1] onto [a,
// b] or scaled by a power of two. Internal to the quadrature library.
#pragma once

#include "common/double_double.h"

namespace zemta::detail {

// cos t for 0 <= t <= pi/2, within a few ulps, from IEEE operations alone,
// so that every platform starts from the same bits (slightly past pi/2 it
// gives cos t's small negative value as well).
double start_cosine(double t);

// The root s in [0, pi] of s - sin s = tau, 0 < tau < pi, to a few ulps
// (from s^3 / 6 = tau, at or below it, by Newton's method), in IEEE
// operations: the WKB phase that places Hermite's and Laguerre's starting
// points.
double phase_angle(double tau);

// A positive value as a double-double times a power of two, for values
// outside the doubles' exponents.
struct Scaled {
  Dd mantissa;
  int exponent;
};

// f n! (f > 0 in the doubles' middle range), within n 2^-105 relative.
Scaled factorial_times(Dd f, int n);

// e^t for 0 <= t < 2^12, within 2^-92 relative (recurrence_rules.cpp).
Scaled exponential(Dd t);

// The map of [-1, 1] onto [a, b] for the rounding test: twice each node and
// weight, (a + b) + (b - a) x and (b - a) w, in double-double from the exact
// sum and difference of the ends (scaled by a power of two that the test
// undoes, so that huge ends do not overflow and subnormal ones become
// normal). On [-1, 1] itself the images are 2x and 2w, exactly.
struct MappedFrame {
  Dd sum;
  Dd difference;
  int scale;
};
MappedFrame mapped_frame(double a, double b);  // finite a < b

// The double nearest the image of the node sign x (sign +1 or -1), ties to
// even at the double's own quantum, into *out: true when x's error bound,
// |x - exact| <= 2^error_exponent on [-1, 1] (error_exponent >= -102),
// decides it; false leaves the value to an exact path. x must not be 0
// (the middle node's image is (a + b)/2 exactly).
bool round_mapped_node(const MappedFrame& frame, Dd x, int error_exponent,
                       int sign, double* out);

// The same for a weight w within 2^error_exponent relative of its exact
// value on [-1, 1] (error_exponent >= -102): its image (b - a)/2 w.
bool round_mapped_weight(const MappedFrame& frame, Dd w, int error_exponent,
                         double* out);

// The double nearest m 2^exponent, ties to even, subnormals included and 0
// below half the least subnormal, into *out, for m > 0 within
// 2^error_exponent relative of the exact mantissa (error_exponent >=
// -102): true when that bound decides it. For values outside the doubles'
// exponents (Hermite's weights reach 2^-2800).
bool round_scaled_value(Dd m, int exponent, int error_exponent, double* out);

}  // namespace zemta::detail
