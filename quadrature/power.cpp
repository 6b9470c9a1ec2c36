#include "quadrature/power.h"

#include <cmath>

#include "common/double_double.h"

namespace zemta::detail {

namespace {

using detail::add;
using detail::Dd;
using detail::div;
using detail::mul;

// ln 2 to 107 bits: the double nearest ln 2 and the double nearest the rest
// (0x1.62e42fefa39ef35793c7673007e6p-1).
constexpr Dd ln2 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};

// Terms of the series below: the first term left out is under 2^-115 of
// the sum in both, far under the rounding error of the arithmetic.
//   log: 2 atanh(s) with |s| <= 1/5, terms s^(2j+1) / (2j+1) for j < 24:
//        (1/25)^24 / 49 < 2^-117.
//   exp: Taylor series at |r| <= 0.35, terms r^j / j! for j <= 27:
//        0.35^28 / 28! < 2^-140.
constexpr int log_terms = 24;
constexpr int exp_terms = 27;

// Reduction bound of the log argument: n = 2^k m with m in [0.75, 1.5),
// so that s = (m - 1) / (m + 1) lies in [-1/7, 1/5].
constexpr double log_reduction_limit = 1.5;

// ln n for an integer n >= 1 (exact in a double).
// Relative error below 2^-100: the reduction and m - 1, m + 1 are exact
// (m has at most 10 significant bits); each of the 24 Horner steps adds at
// most 3 * 7 u^2 relative, damped by s^2 <= 1/25 in the steps after it, so
// 2 atanh(s) is within 2^-100 relative; |2 atanh(s)| <= ln 1.5 < ln n and
// k ln 2 is within 2^-102 relative (the constant's 2^-107 and 7 u^2).
Dd log_of_integer(int n) {
  double m = n;
  int k = 0;
  while (m >= log_reduction_limit) {
    m /= 2.0;
    ++k;
  }
  // s = (m - 1) / (m + 1), to double-double accuracy.
  const Dd s = div(Dd{m - 1.0, 0.0}, m + 1.0);
  const Dd s2 = mul(s, s);
  // atanh(s) / s = sum of s^(2j) / (2j + 1), by Horner from the top term.
  Dd sum = div(Dd{1.0, 0.0}, 2.0 * log_terms - 1.0);
  for (int j = log_terms - 2; j >= 0; --j) {
    sum = add(mul(sum, s2), div(Dd{1.0, 0.0}, 2.0 * j + 1.0));
  }
  const Dd atanh_twice = mul(mul(sum, s), 2.0);
  return add(mul(ln2, static_cast<double>(k)), atanh_twice);
}

// e^p for |p| < 14. p = k ln 2 + r with |r| <= ln 2 / 2 + 2^-40; then
// e^p = 2^k e^r, the power of two applied exactly.
// Relative error below 2^-98 plus the absolute error of p: r is within
// 2^-99 absolute (|k ln 2| < 14, each of its operations 7 u^2), and each
// Horner step 1 + (r / j) t adds at most 3 * 7 u^2 relative, damped by
// |r / j| <= 0.35 in the steps after it, 2^-99.5 in all.
Dd exp_of(Dd p) {
  const double k = std::round(p.hi / ln2.hi);
  const Dd r = add(p, mul(ln2, -k));
  // e^r = 1 + r (1 + r/2 (1 + r/3 (... (1 + r/27)))).
  Dd t = {1.0, 0.0};
  for (int j = exp_terms; j >= 1; --j) {
    t = add(Dd{1.0, 0.0}, div(mul(r, t), static_cast<double>(j)));
  }
  const int e = static_cast<int>(k);
  return {std::ldexp(t.hi, e), std::ldexp(t.lo, e)};
}

}  // namespace

// Error of the result before its final rounding, relative: ln n has at most
// 2^-100, y ln n then at most 2^-100 + 7 u^2 < 2^-99.9, an absolute error
// below 14 * 2^-99.9 < 2^-96 since |y ln n| < 14; exp turns that absolute
// error into the same relative one and adds its own 2^-98. The total stays
// under 2^-95.5, a factor of five inside power_error_bound.
//
// The final rounding: the double-double is normalized, so hi is its sum
// rounded to nearest; it is the nearest double to n^y as well unless n^y
// and hi + lo lie on opposite sides of a midpoint, which needs n^y within
// the error above of that midpoint.
double correctly_rounded_pow(int n, double y) {
  const Dd p = mul(log_of_integer(n), y);
  const Dd result = exp_of(p);
  return result.hi + result.lo;
}

}  // namespace zemta::detail
