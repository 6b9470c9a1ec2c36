// The rounding test of the rules from Legendre's recurrence
// (recurrence_rules.h).
#include "rule/quadrature/recurrence_rules.h"

#include <cfloat>
#include <cmath>

namespace zemta::detail {
namespace {

// pi/2 and pi/4 to double precision: they only place starting points.
constexpr double half_pi = 0x1.921fb54442d18p0;
constexpr double quarter_pi = 0x1.921fb54442d18p-1;
// Terms of the Taylor series of cos and sin at |u| <= pi/4: the first left
// out, (pi/4)^22 / 22!, is below 2^-73.
constexpr int cosine_terms = 10;

// The interval's ends are scaled by 2^end_shift first, exactly, and the
// fast path works on twice the node and weight, (a + b) + (b - a) x and
// (b - a) w, so that nothing is halved: ends above large_end are scaled
// down (so that neither a + b nor a split overflows, splits need |v| <
// 2^996), and intervals whose ends are all below small_end scaled up, so
// that their subnormal ends and sums become normal doubles with room
// below them for the errors of the products.
constexpr double large_end = 0x1p960;
constexpr int large_end_shift = -64;
constexpr double small_end = 0x1p-500;
constexpr int small_end_shift = 600;

// With x within 2^e of its exact value on [-1, 1] and each double-double
// product and sum within 7 u^2 < 2^-103 relative (double_double.h), a node
// V = (a + b) + (b - a) x computed as add(S, mul(R, x)) has |error| < |R|
// (2^e + 2^-103) + 2^-103 |V| < 2^(e + 1) |R.hi| + 2^-102 |V.hi| for e >=
// -102, and a weight W = mul(R, w), w within 2^e relative, |error| < 2^(e
// + 1) |W.hi|.
constexpr int node_value_error_exponent = -102;
// Absolute room for what the relative bounds above leave out, in the
// scaled units: the low parts of products that fall below 2^-969 (only
// values far below the interval's size, whose rounding this then leaves
// to the slow path), and the bits of a tiny end lost when huge ends are
// scaled down (the scaled end rounds to a multiple of 2^-1074, off by at
// most 2^-1075, which moves S + R x by at most 2^-1074).
constexpr double underflow_room = 0x1p-1060;
// A scaled value m 2^e with m in [1, 2) and e below this is 0 in doubles.
constexpr int least_exponent = -1100;
// Below this a scaled value of an interval with huge ends (scaled down)
// is left to the slow path: its quantum, 2^-1138, is not a double.
constexpr double huge_interval_smallest = 0x1p-900;

// The true value of the scaled value v * 2^-scale, rounded: true when the
// bound (|v - exact| <= bound) decides the rounding to the nearest double
// at the true quantum (2^-1074 for a subnormal), which is then in out.
// Whichever double the candidate is, the test is that v +- bound lies
// strictly inside its rounding cell, so a wrong candidate only fails.
bool decided(Dd v, double bound, int scale, double& out) {
  double r = 0.0;
  if (scale < 0) {
    if (std::fabs(v.hi) < huge_interval_smallest) {
      return false;
    }
    r = v.hi + v.lo;
  } else if (const double normal = std::ldexp(1.0, -1022 + scale);
             std::fabs(v.hi) >= normal) {
    r = v.hi + v.lo;
    if (std::fabs(r) < normal) {
      return false;
    }
  } else {
    // A subnormal result: v / 2^-1074 (scaled) is below 2^52, so adding
    // and subtracting 2^52 rounds its high part to an integer k, exactly
    // (for either sign by symmetry), and the low part moves k by one.
    const int quantum = -1074 + scale;
    const double th = std::ldexp(v.hi, -quantum);
    const double tl = std::ldexp(v.lo, -quantum);
    constexpr double integer_rounding = 0x1p52;
    double k = th >= 0.0 ? (th + integer_rounding) - integer_rounding
                         : -((-th + integer_rounding) - integer_rounding);
    const double f = (th - k) + tl;
    if (f > 0.5) {
      k += 1.0;
    } else if (f < -0.5) {
      k -= 1.0;
    }
    r = std::ldexp(k, quantum);
  }
  // r is a multiple of the true quantum: unscaled exactly.
  const double rt = std::ldexp(r, -scale);
  const double up = std::nextafter(rt, HUGE_VAL);
  const double down = std::nextafter(rt, -HUGE_VAL);
  const double gap_up = std::isinf(up) ? rt - down : up - rt;
  const double gap_down = std::isinf(down) ? up - rt : rt - down;
  // Exact differences of neighbours, rescaled exactly; their halves, less
  // a little for the rounding of the sums compared with them.
  constexpr double comparison_room = 1.0 - 0x1p-50;
  const double half_up = std::ldexp(gap_up, scale - 1) * comparison_room;
  const double half_down = std::ldexp(gap_down, scale - 1) * comparison_room;
  // v - r as d1 + e1 + v.lo: d1 + e1 exactly, the two roundings after it
  // each within 2^-53 of their results.
  const Dd d1 = two_sum(v.hi, -r);
  const double t = d1.lo + v.lo;
  const double d = d1.hi + t;
  const double slack =
      (bound + 0x1p-52 * (std::fabs(t) + std::fabs(d))) * (1.0 + 0x1p-50);
  if (!(d + slack < half_up && d - slack > -half_down)) {
    return false;
  }
  if (rt == 0.0) {
    // The nearest double is a zero, whose sign is the value's.
    if (!(d - slack > 0.0 || d + slack < 0.0)) {
      return false;
    }
    out = d > 0.0 ? 0.0 : -0.0;
    return true;
  }
  out = rt;
  return true;
}

}  // namespace

// The series of cos t, or of sin(pi/2 - t) above pi/4.
double start_cosine(double t) {
  const bool by_sine = t > quarter_pi;
  const double u = by_sine ? half_pi - t : t;
  const double u2 = u * u;
  double sum = 1.0;
  for (int j = cosine_terms; j >= 1; --j) {
    const double k = 2.0 * j;
    sum = 1.0 - u2 * sum / (by_sine ? k * (k + 1.0) : (k - 1.0) * k);
  }
  return by_sine ? u * sum : sum;
}

double phase_angle(double tau) {
  constexpr double pi = 0x1.921fb54442d18p1;
  const auto cosine = [&](double s) {
    return s <= half_pi ? start_cosine(s) : -start_cosine(pi - s);
  };
  const auto sine = [](double s) {
    return start_cosine(std::fabs(half_pi - s));
  };
  const double u = 6.0 * tau;
  double r = 3.0;  // above u^(1/3): Newton comes down to it
  for (int i = 0; i < 12; ++i) {
    r -= (r * r * r - u) / (3.0 * r * r);
  }
  double s = r;
  for (int i = 0; i < 6; ++i) {
    s -= (s - sine(s) - tau) / (1.0 - cosine(s));
  }
  return s;
}

Scaled factorial_times(Dd f, int n) {
  int e = 0;
  for (int k = 2; k <= n; ++k) {
    f = mul_short(f, static_cast<double>(k));
    if (f.hi > 0x1p256) {
      f = {f.hi * 0x1p-256, f.lo * 0x1p-256};
      e += 256;
    }
  }
  return {f, e};
}

// e^t as 2^N e^u: N the integer nearest t / ln 2, u = t - N ln 2 with ln 2
// in double-double (within 2^-107 relative; N ln 2 as the exact product of
// its high part and a rounded one of its low part, so u within 2^-93 of
// its value for N < 2^13), |u| < 0.35, and e^u by its Taylor series to
// u^exp_terms / exp_terms! in double-double, Horner's rule on the
// coefficients 1 / k! (each within k 2^-105 of its value, from the one
// before by a division; the tail below 2^-115, the steps' errors below
// 2^-99 in all): within 2^-92 relative.
constexpr Dd ln2 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr int exp_terms = 23;

struct ExpCoefficients {
  Dd inverse_factorial[exp_terms + 1] = {};
  ExpCoefficients() {
    inverse_factorial[0] = {1.0, 0.0};
    for (int k = 1; k <= exp_terms; ++k) {
      inverse_factorial[k] =
          div(inverse_factorial[k - 1], static_cast<double>(k));
    }
  }
};

Scaled exponential(Dd t) {
  static const ExpCoefficients coefficients;
  const double count = std::nearbyint(t.hi / ln2.hi);
  const Dd multiple = add(two_prod(count, ln2.hi), Dd{count * ln2.lo, 0.0});
  const Dd u = sub(t, multiple);
  Dd sum = coefficients.inverse_factorial[exp_terms];
  for (int k = exp_terms - 1; k >= 0; --k) {
    sum = add(coefficients.inverse_factorial[k], mul(u, sum));
  }
  return {sum, static_cast<int>(count)};
}

MappedFrame mapped_frame(double a, double b) {
  const double largest = std::fmax(std::fabs(a), std::fabs(b));
  int shift = 0;
  if (largest > large_end) {
    shift = large_end_shift;
  } else if (largest < small_end) {
    shift = small_end_shift;
  }
  // Twice the midpoint and the radius, S = a + b and R = b - a, exactly
  // (scaled by 2^shift; a tiny end beside a huge one may lose bits when
  // scaled down, which underflow_room allows for).
  const double sa = std::ldexp(a, shift);
  const double sb = std::ldexp(b, shift);
  return {two_sum(sa, sb), two_sum(sb, -sa), shift + 1};
}

bool round_mapped_node(const MappedFrame& frame, Dd x, int error_exponent,
                       int sign, double* out) {
  const Dd offset = mul(frame.difference, x);
  const Dd v = sign > 0 ? add(frame.sum, offset) : sub(frame.sum, offset);
  const double bound =
      std::ldexp(std::fabs(frame.difference.hi), error_exponent + 1) +
      std::ldexp(std::fabs(v.hi), node_value_error_exponent) + underflow_room;
  return decided(v, bound, frame.scale, *out);
}

bool round_mapped_weight(const MappedFrame& frame, Dd w, int error_exponent,
                         double* out) {
  const Dd v = mul(frame.difference, w);
  const double bound =
      std::ldexp(std::fabs(v.hi), error_exponent + 1) + underflow_room;
  return decided(v, bound, frame.scale, *out);
}

bool round_scaled_value(Dd m, int exponent, int error_exponent, double* out) {
  if (!(m.hi > 0.0)) {
    return false;
  }
  // m = m' 2^e with m'.hi in [1, 2), exactly.
  const int e = std::ilogb(m.hi);
  const Dd normalized = {std::ldexp(m.hi, -e), std::ldexp(m.lo, -e)};
  const int total = exponent + e;
  if (total < least_exponent) {
    // Below 2^(least_exponent + 1), far under half the least subnormal.
    *out = 0.0;
    return true;
  }
  if (total > DBL_MAX_EXP) {
    return false;
  }
  return decided(normalized,
                 std::ldexp(std::fabs(normalized.hi), error_exponent + 1),
                 -total, *out);
}

}  // namespace zemta::detail
