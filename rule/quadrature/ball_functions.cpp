// The constants and functions on balls: pi by Machin's formula, exp by
// Taylor's series after halving, log by Newton's iteration on exp with an
// enclosure of its last step, log Gamma by Stirling's series. Each is
// computed at guard bits above the caller's; the basic operations carry
// their own rounding into the radius, so what each function adds by hand
// is its series' truncation bound, written beside the series.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "rule/quadrature/ball.h"

namespace zemta::detail {

namespace {

// Bits above the caller's at which the functions work.
constexpr int guard_bits = 32;

// |v| + r for a ball: an upper bound on the magnitude of every value.
Dyadic magnitude_bound(const Ball& x) {
  Dyadic m = x.mid;
  m.mantissa.negative = false;
  return dyadic_add(m, {big_from_u64(x.rad.mantissa), x.rad.exponent});
}

// floor(log2 v) for v != 0, and a very small number for 0.
int log2_floor(const Dyadic& v) {
  const int length = big_bit_length(v.mantissa);
  return length == 0 ? -(1 << 30) : v.exponent + length - 1;
}

Dyadic pow2(int e) { return {big_from_u64(1), e}; }

Ball whole_ball() {
  Ball b;
  b.whole = true;
  return b;
}

// The ball of the interval [lo, hi], lo <= hi, its ends exact dyadics.
Ball ball_of_ends(const Dyadic& lo, const Dyadic& hi) {
  Dyadic sum = dyadic_add(lo, hi);
  sum.exponent -= 1;
  BigInt lo_negated = lo.mantissa;
  lo_negated.negative = !lo_negated.negative && !lo_negated.limbs.empty();
  Dyadic width = dyadic_add(hi, {lo_negated, lo.exponent});
  width.exponent -= 1;
  return ball_widen(ball_from_dyadic(sum), width);
}

// ---------------------------------------------------------------------------
// pi = 16 atan(1/5) - 4 atan(1/239) (Machin), each arctangent summed in
// fixed point with 2^w as one.

// sum_j (-1)^j floor(p_j / (2j + 1)), p_j = floor(2^w / k^(2j+1)) (nested
// floors of integers are the floor of the whole quotient), to the first
// p_j == 0. Each term is within 2 units of its exact value 2^w / ((2j + 1)
// k^(2j+1)); the tail after the last, alternating and decreasing, is below
// its first term, under 1 unit. So the error is below 2 terms + 1 units.
BigInt atan_inverse(std::uint32_t k, int w, int* terms) {
  BigInt p = big_div_small(big_shift_left(big_from_u64(1), w), k);
  BigInt sum;
  int j = 0;
  while (big_sign(p) != 0) {
    const BigInt term = big_div_small(p, static_cast<std::uint32_t>(2 * j + 1));
    sum = (j % 2 == 0) ? big_add(sum, term) : big_sub(sum, term);
    p = big_div_small(p, k * k);
    ++j;
  }
  *terms = j;
  return sum;
}

// ---------------------------------------------------------------------------
// exp at a point m: t = m / 2^s with |t| <= 2^-j, Taylor's series for
// exp(t), then s squarings.

Ball exp_point(const Dyadic& m, int bits) {
  if (big_sign(m.mantissa) == 0) {
    return ball_from_int(1);
  }
  // j balances the series' terms (about bits / j) against the squarings
  // (about j more): near sqrt(2 bits).
  int j = 4;
  while (j * j < 2 * bits) {
    ++j;
  }
  const int s = log2_floor(m) + 1 + j > 0 ? log2_floor(m) + 1 + j : 0;
  // Each squaring doubles the relative radius: s more bits cover them.
  const int wp = bits + s + 8;
  const Ball t = ball_mul_2exp(ball_from_dyadic(m), -s);
  // K terms, j K >= wp + 2. For |t| <= 2^-j <= 1/2 the remainder
  // sum_{k >= K} t^k / k! is at most |t|^K / K! (1 + |t| / (K + 1) + ...)
  // <= 2 |t|^K <= 2^(1 - j K) <= 2^-(wp + 1), under 2^-wp of exp(t) >= 1/2.
  const int terms = (wp + 2 + j - 1) / j;
  const Ball one = ball_from_int(1);
  Ball sum = one;
  for (int k = terms - 1; k >= 1; --k) {
    sum =
        ball_add(one, ball_div(ball_mul(t, sum, wp), ball_from_int(k), wp), wp);
  }
  sum = ball_widen(sum, pow2(-(wp + 1)));
  for (int i = 0; i < s; ++i) {
    sum = ball_mul(sum, sum, wp);
  }
  return sum;
}

// ---------------------------------------------------------------------------
// log at a point m > 0.

// log(m) for m > 0: Newton's iteration y += m exp(-y) - 1 from a double
// estimate, each step at about twice the bits the last one gave; then,
// with d = m exp(-y) - 1 enclosed by a ball D, log(m) = y + log(1 + d) and
// |log(1 + d) - d| <= d^2 for |d| <= 1/2 (the series d - d^2/2 + d^3/3 ...
// alternates once |d| < 1, its tail after d below d^2 / 2 (1 + 2|d|/3 + ...)
// <= d^2). The enclosure holds whatever y is: the iteration only makes D
// small.
Ball log_point(const Dyadic& m, int bits) {
  const int length = big_bit_length(m.mantissa);
  // m = f 2^e with f in [1, 2) from its top 53 bits.
  const int e = m.exponent + length - 1;
  const BigInt top = length > 53 ? big_shift_right(m.mantissa, length - 53)
                                 : big_shift_left(m.mantissa, 53 - length);
  std::uint64_t f = 0;
  for (std::size_t i = top.limbs.size(); i-- > 0;) {
    f = (f << 32) | top.limbs[i];
  }
  const double estimate =
      std::log(
          std::ldexp(static_cast<double>(static_cast<std::int64_t>(f)), -52)) +
      static_cast<double>(e) * 0.6931471805599453;
  // y is kept to an absolute 2^-wp: its own magnitude in bits more.
  const int magnitude =
      std::abs(e) > 1 ? std::ilogb(static_cast<double>(e)) + 1 : 0;
  const int wp = bits + magnitude + 8;
  Ball y = ball_from_double(estimate);
  const Ball x = ball_from_dyadic(m);
  const Ball one = ball_from_int(1);
  int accurate = 40;  // bits the estimate gives, about
  constexpr int max_steps = 40;
  Ball d;
  for (int step = 0;; ++step) {
    const int p = 2 * accurate + 32 >= wp ? wp : 2 * accurate + 32;
    d = ball_sub(ball_mul(x, exp_point(ball_neg(y).mid, p), p), one, p);
    const int a = -log2_floor(magnitude_bound(d)) - 1;  // |d| < 2^-a
    if ((p == wp && 2 * a >= wp + 2) || step == max_steps) {
      break;
    }
    y = ball_from_dyadic(ball_add(y, d, p).mid);
    accurate = 2 * a - 2 < p - 4 ? 2 * a - 2 : p - 4;
    if (accurate < 20) {
      accurate = 20;
    }
  }
  const Dyadic bound = magnitude_bound(d);
  if (log2_floor(bound) >= -1) {
    return whole_ball();  // |d| may exceed 1/2: never met in practice
  }
  return ball_widen(ball_add(y, d, wp), dyadic_mul(bound, bound));
}

// ---------------------------------------------------------------------------
// The tangent numbers T_1, T_2, ... (tan x = sum T_k x^(2k-1) / (2k-1)!),
// integers, by Brent and Harvey's recurrence; B_2k = (-1)^(k-1) 2k T_k /
// (4^k (4^k - 1)). Kept between calls, grown by doubling; unlocked, so
// ball_log_gamma is for one thread at a time (ball.h), as zemta-rule and
// the page are: the WebAssembly build has neither locks nor thread-local
// destructors.

std::vector<BigInt> tangent_numbers;  // [k - 1] is T_k

BigInt tangent_number(int k) {
  if (static_cast<std::size_t>(k) > tangent_numbers.size()) {
    int n = 16;
    while (n < k) {
      n *= 2;
    }
    std::vector<BigInt> t(static_cast<std::size_t>(n));
    t[0] = big_from_u64(1);
    for (int i = 2; i <= n; ++i) {
      t[static_cast<std::size_t>(i - 1)] =
          big_mul_small(t[static_cast<std::size_t>(i - 2)],
                        static_cast<std::uint32_t>(i - 1));
    }
    for (int i = 2; i <= n; ++i) {
      for (int l = i; l <= n; ++l) {
        auto& here = t[static_cast<std::size_t>(l - 1)];
        here =
            big_add(big_mul_small(t[static_cast<std::size_t>(l - 2)],
                                  static_cast<std::uint32_t>(l - i)),
                    big_mul_small(here, static_cast<std::uint32_t>(l - i + 2)));
      }
    }
    tangent_numbers = std::move(t);
  }
  return tangent_numbers[static_cast<std::size_t>(k - 1)];
}

// B_2k / (2k (2k - 1)) = (-1)^(k-1) T_k / ((2k - 1) 4^k (4^k - 1)), as a
// ball of `bits` bits.
Ball stirling_coefficient(int k, int bits) {
  BigInt numerator = tangent_number(k);
  numerator.negative = k % 2 == 0;
  const BigInt four_k = big_shift_left(big_from_u64(1), 2 * k);
  const BigInt denominator = big_mul_small(
      big_sub(four_k, big_from_u64(1)), static_cast<std::uint32_t>(2 * k - 1));
  return ball_div(ball_from_dyadic({numerator, -2 * k}),
                  ball_from_dyadic({denominator, 0}), bits);
}

}  // namespace

Ball ball_pi(int bits) {
  const int w = bits + guard_bits;
  int terms5 = 0;
  int terms239 = 0;
  const BigInt a5 = atan_inverse(5, w, &terms5);
  const BigInt a239 = atan_inverse(239, w, &terms239);
  const BigInt pi = big_sub(big_mul_small(a5, 16), big_mul_small(a239, 4));
  // 16 and 4 times each sum's error bound, in units of 2^-w.
  const std::uint64_t error =
      (16 * (2 * static_cast<std::uint64_t>(terms5) + 1)) +
      (4 * (2 * static_cast<std::uint64_t>(terms239) + 1));
  return ball_add(
      ball_widen(ball_from_dyadic({pi, -w}), {big_from_u64(error), -w}),
      ball_from_int(0), bits);
}

Ball ball_exp(const Ball& x, int bits) {
  if (x.whole || log2_floor(magnitude_bound(x)) >= 29) {
    return whole_ball();
  }
  const int wp = bits + guard_bits;
  const Dyadic r = {big_from_u64(x.rad.mantissa), x.rad.exponent};
  if (x.rad.mantissa == 0) {
    return ball_add(exp_point(x.mid, wp), ball_from_int(0), bits);
  }
  if (log2_floor(r) >= 0) {
    // A wide ball: exp is increasing, so its ends' enclosures bound it.
    const Ball lo = exp_point(ball_lower(x), wp);
    const Ball hi = exp_point(ball_upper(x), wp);
    return ball_add(ball_of_ends(ball_lower(lo), ball_upper(hi)),
                    ball_from_int(0), bits);
  }
  // exp(m + h) - exp(m) = exp(m) (exp(h) - 1) and |exp(h) - 1| <= e^r - 1
  // <= r + r^2 for |h| <= r < 1 (the series' tail after r is at most r^2
  // (1/2 + 1/6 + ...) = r^2 (e - 2)).
  const Ball e = exp_point(x.mid, wp);
  const Dyadic factor = dyadic_add(r, dyadic_mul(r, r));
  return ball_add(ball_widen(e, dyadic_mul(magnitude_bound(e), factor)),
                  ball_from_int(0), bits);
}

Ball ball_log(const Ball& x, int bits) {
  if (x.whole || ball_sign(x) <= 0) {
    return whole_ball();
  }
  const Ball l = log_point(x.mid, bits + guard_bits);
  if (x.rad.mantissa == 0) {
    return ball_add(l, ball_from_int(0), bits);
  }
  // |log v - log m| <= r / (m - r) for v in [m - r, m + r] (the derivative
  // 1/v is at most 1 / (m - r) there).
  const Ball low = ball_from_dyadic(ball_lower(x));
  const Ball ratio =
      ball_div(ball_from_dyadic({big_from_u64(x.rad.mantissa), x.rad.exponent}),
               low, 64);
  return ball_add(ball_widen(l, ball_upper(ratio)), ball_from_int(0), bits);
}

Ball ball_log_gamma(const Ball& x, int bits) {
  if (x.whole || ball_sign(x) <= 0) {
    return whole_ball();
  }
  // Stirling's series at z >= z_min: its terms B_2k / (2k (2k-1) z^(2k-1))
  // fall like (k / (pi e z))^(2k) until k near pi z, so z_min = bits / 4
  // reaches 2^-bits by k near bits / 8 (fewer Bernoulli numbers than a
  // smaller z_min, fewer shifts than a larger one).
  int shift_bits = 0;
  const int z_min = bits / 4 > 16 ? bits / 4 : 16;
  while ((1 << shift_bits) < z_min) {
    ++shift_bits;
  }
  const int wp = bits + guard_bits + 2 * shift_bits;
  const double mid = ball_mid_double(x);
  const int shifts = mid < z_min ? static_cast<int>(z_min - mid) + 1 : 0;
  // log Gamma(x) = log Gamma(x + n) - log(x (x + 1) ... (x + n - 1)).
  Ball z = x;
  Ball product = ball_from_int(1);
  for (int i = 0; i < shifts; ++i) {
    product = ball_mul(product, z, wp);
    z = ball_add(z, ball_from_int(1), wp);
  }
  // (z - 1/2) log z - z + log(2 pi) / 2 + sum_{k=1}^{K-1} B_2k / (2k (2k-1)
  // z^(2k-1)) + R_K, |R_K| <= |B_2K| / (2K (2K-1) z^(2K-1)) for real z > 0.
  const Ball log_z = ball_log(z, wp);
  const Ball half = ball_mul_2exp(ball_from_int(1), -1);
  Ball sum = ball_sub(ball_mul(ball_sub(z, half, wp), log_z, wp), z, wp);
  const Ball two_pi = ball_mul_2exp(ball_pi(wp), 1);
  sum = ball_add(sum, ball_mul_2exp(ball_log(two_pi, wp), -1), wp);
  // Each term's ball holds it for every z in z's ball, so the magnitude
  // bound of the K-th term's ball bounds R_K over the whole ball.
  const Ball inverse = ball_div(ball_from_int(1), z, wp);
  const Ball w = ball_mul(inverse, inverse, wp);
  const Dyadic enough = pow2(log2_floor(magnitude_bound(sum)) - wp);
  Ball power = inverse;  // z^-(2k-1)
  // At z >= z_min about wp / 8 terms reach 2^-wp; a ball too wide for the
  // series to fall that far within wp / 4 has no remainder bound here.
  const int max_terms = wp / 4 + 16;
  bool bounded = false;
  for (int k = 1; k <= max_terms && !bounded; ++k) {
    const Ball term = ball_mul(stirling_coefficient(k, wp), power, wp);
    const Dyadic bound = magnitude_bound(term);
    if (log2_floor(bound) < log2_floor(enough)) {
      sum = ball_widen(sum, bound);
      bounded = true;
    } else {
      sum = ball_add(sum, term, wp);
      power = ball_mul(power, w, wp);
    }
  }
  if (!bounded) {
    return whole_ball();
  }
  if (shifts > 0) {
    sum = ball_sub(sum, ball_log(product, wp), wp);
  }
  return ball_add(sum, ball_from_int(0), bits);
}

Ball ball_pow(const Ball& x, const Ball& y, int bits) {
  if (x.whole || y.whole || ball_sign(x) <= 0) {
    return whole_ball();
  }
  // exp turns the argument's absolute error into a relative one: 64 bits
  // more cover y log x up to 2^(30) in magnitude, exp's own limit.
  const int wp = bits + 64;
  return ball_exp(ball_mul(y, ball_log(x, wp), wp), bits);
}

}  // namespace zemta::detail
