#include "rule/quadrature/fast_count.h"

#include <cmath>
#include <cstddef>

namespace zemta::detail {
namespace {

// Covers the roundings of a radius computed in a few double operations on
// non-negative numbers (each within 2^-53 relative).
constexpr double radius_slack = 1.0 + 0x1p-40;

bool in_range(double v) {
  const double m = std::fabs(v);
  return m >= fast_count_least && m <= fast_count_most;
}

// v = hi + lo + residual exactly; the residual's magnitude rounded up.
bool split_dyadic(const Dyadic& v, Dd* out, double* residual) {
  const double hi = dyadic_round(v);
  if (hi == 0.0) {
    *out = {0.0, 0.0};
    *residual = 0.0;
    return big_sign(v.mantissa) == 0;
  }
  if (!in_range(hi)) {
    return false;
  }
  const Dyadic rest = dyadic_add(v, dyadic_from_double(-hi));
  const double lo = dyadic_round(rest);
  const double r =
      std::fabs(dyadic_round(dyadic_add(rest, dyadic_from_double(-lo))));
  // dyadic_round is within half an ulp (or 2^-1075) of the residual.
  *residual = r * 2.0 + 0x1p-1074;
  *out = {hi, lo};
  return true;
}

}  // namespace

bool dd_interval_from_ball(const Ball& x, DdInterval* out) {
  if (x.whole) {
    return false;
  }
  double residual = 0.0;
  if (!split_dyadic(x.mid, &out->mid, &residual)) {
    return false;
  }
  double rad = 0.0;
  if (x.rad.mantissa != 0) {
    if (x.rad.exponent > 400) {
      return false;
    }
    // A 32-bit mantissa times a power of two: exact unless it underflows,
    // and then 2^-1000 is above it.
    rad = x.rad.exponent < -1000
              ? 0x1p-1000
              : std::ldexp(static_cast<double>(x.rad.mantissa), x.rad.exponent);
  }
  out->rad = (rad + residual) * radius_slack;
  return true;
}

bool dd_interval_from_dyadic(const Dyadic& z, DdInterval* out) {
  double residual = 0.0;
  if (!split_dyadic(z, &out->mid, &residual)) {
    return false;
  }
  out->rad = residual;
  return true;
}

FastCountMatrix fast_count_matrix(const std::vector<Ball>& a,
                                  const std::vector<Ball>& b2) {
  FastCountMatrix t;
  t.a.resize(a.size());
  t.b2.resize(b2.size());
  bool ok = true;
  for (std::size_t j = 0; j < a.size() && ok; ++j) {
    ok = dd_interval_from_ball(a[j], &t.a[j]);
  }
  for (std::size_t j = 0; j < b2.size() && ok; ++j) {
    ok = dd_interval_from_ball(b2[j], &t.b2[j]) && t.b2[j].mid.hi > 0.0;
  }
  if (!ok) {
    t.a.clear();
    t.b2.clear();
  }
  return t;
}

int fast_count(const FastCountMatrix& t, const Dyadic& z) {
  if (t.a.empty()) {
    return -1;
  }
  DdInterval zi;
  if (!dd_interval_from_dyadic(z, &zi)) {
    return -1;
  }
  const double e = fast_count_operation_error;
  int negative = 0;
  DdInterval d{};
  for (std::size_t j = 0; j < t.a.size(); ++j) {
    // a_j - z.
    const Dd shifted = sub(t.a[j].mid, zi.mid);
    if (shifted.hi != 0.0 && !in_range(shifted.hi)) {
      return -1;
    }
    double rad = t.a[j].rad + zi.rad + std::fabs(shifted.hi) * 2.0 * e;
    Dd pivot = shifted;
    if (j > 0) {
      // b2_{j-1} / d_{j-1}: |b2/d - B/D| <= (|b2| r_d + |d| r_b) / (|d| (|d|
      // - r_d)) for |B - b2| <= r_b, |D - d| <= r_d; and the division's own
      // error. |x| <= |x.hi| (1 + 2^-52) for a double-double x.
      const DdInterval& b = t.b2[j - 1];
      const Dd q = div(b.mid, d.mid);
      if (!in_range(q.hi)) {
        return -1;
      }
      const double dm = std::fabs(d.mid.hi) * (1.0 - 0x1p-52);
      const double bm = std::fabs(b.mid.hi) * (1.0 + 0x1p-52);
      const double rq = (bm * d.rad + dm * 2.0 * b.rad) / (dm * (dm - d.rad)) +
                        std::fabs(q.hi) * 2.0 * e;
      pivot = sub(shifted, q);
      if (pivot.hi != 0.0 && !in_range(pivot.hi)) {
        return -1;
      }
      rad += rq + std::fabs(pivot.hi) * 2.0 * e;
    }
    d.mid = pivot;
    d.rad = rad * radius_slack;
    // Decided only with the radius below half the magnitude.
    if (!(d.rad < std::fabs(d.mid.hi) * 0.5) || !in_range(d.mid.hi)) {
      return -1;
    }
    if (d.mid.hi < 0.0) {
      ++negative;
    }
  }
  return negative;
}

}  // namespace zemta::detail
