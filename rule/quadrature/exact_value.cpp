// Enclosing a root of P_n between two dyadics and rounding its node and
// weight.
//
// 1. Newton's method in fixed point with F fractional bits: the Legendre
//    recurrence P_{k+1} = ((2k + 1) x P_k - k P_{k-1}) / (k + 1) with
//    truncated products, and the correction P_n (1 - x^2) / (n (P_{n-1} -
//    x P_n)) in double-double from the top 128 bits of each factor: about
//    100 bits of the correction are right, so each step adds about 100
//    bits until the recurrence's own error, some n 2^-F, stops it. Nothing
//    here needs a bound: step 2 checks the result.
// 2. The enclosure: for x = m 2^-F, S_k = 2^(kF) k! P_k(x) are integers,
//    S_0 = 1, S_1 = m, S_{k+1} = (2k + 1) m S_k - k^2 2^(2F) S_{k-1}, so the
//    sign of P_n(x) is the sign of an exact integer. Opposite signs at
//    x - 2^(guard - F) and x + 2^(guard - F) put a root between them; it is
//    the root wanted, since both ends lie within 2^-40 of the fast path's
//    root, which is within 2^-90 of it, and the roots of P_n (n <= 999)
//    lie more than 2^-20 apart. A zero sign is the root itself.
// 3. The value's bounds from the enclosure, exactly (a node) or as
//    quotients bounded below and above (a weight), each rounded once:
//    equal doubles decide the value. Otherwise F doubles.
#include "rule/quadrature/exact_value.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace zemta::detail {

namespace {

// The first enclosure's bits: 2^-103 wide, some 10 bits past the fast
// path's.
constexpr int first_bits = 128;
// Step 1 lands within about n 2^-F, n < 2^10; the enclosure's half width
// 2^(guard - F) leaves some 2^14 of room.
constexpr int guard_bits = 24;
// Newton stops when a correction is below 2^(converged_bits - F).
constexpr int converged_bits = 40;
// Bits of a fixed-point value kept for the double-double correction.
constexpr int correction_bits = 128;

BigInt one_fixed(int bits) { return big_shift_left(big_from_u64(1), bits); }

BigInt fixed_mul(const BigInt& a, const BigInt& b, int bits) {
  return big_shift_right(big_mul(a, b), bits);
}

// P_n(x) and P_{n-1}(x), fixed point.
void legendre_fixed(int n, const BigInt& x, int bits, BigInt& p, BigInt& q) {
  BigInt previous = one_fixed(bits);
  BigInt current = x;
  for (int k = 1; k < n; ++k) {
    const auto uk = static_cast<std::uint32_t>(k);
    BigInt next =
        big_sub(big_mul_small(fixed_mul(x, current, bits), 2 * uk + 1),
                big_mul_small(previous, uk));
    previous = std::move(current);
    current = big_div_small(next, uk + 1);
  }
  p = std::move(current);
  q = std::move(previous);
}

// v 2^-bits as m 2^e, m a double-double from v's top correction_bits bits.
struct Scaled {
  Dd m;
  int e;
};

Scaled scaled(const BigInt& v, int bits) {
  const int length = big_bit_length(v);
  const int drop = length > correction_bits ? length - correction_bits : 0;
  const BigInt top = big_shift_right(v, drop);
  Dd m{0.0, 0.0};
  for (std::size_t i = top.limbs.size(); i-- > 0;) {
    m = add(Dd{m.hi * 0x1p32, m.lo * 0x1p32},
            Dd{static_cast<double>(top.limbs[i]), 0.0});
  }
  if (v.negative) {
    m = neg(m);
  }
  return {m, drop - bits};
}

BigInt fixed_from(Dd m, int e, int bits) {
  Dyadic hi = dyadic_from_double(m.hi);
  Dyadic lo = dyadic_from_double(m.lo);
  hi.exponent += e;
  lo.exponent += e;
  return dyadic_to_fixed(dyadic_add(hi, lo), bits);
}

// Newton's method from x at the given bits; x is replaced.
void newton_fixed(int n, BigInt& x, int bits) {
  const int max_steps = bits / 64 + 6;
  for (int step = 0; step < max_steps; ++step) {
    BigInt p;
    BigInt q;
    legendre_fixed(n, x, bits, p, q);
    if (big_sign(p) == 0) {
      return;
    }
    const BigInt h = big_sub(q, fixed_mul(x, p, bits));
    const BigInt s = big_sub(one_fixed(bits), fixed_mul(x, x, bits));
    const Scaled sp = scaled(p, bits);
    const Scaled sh = scaled(h, bits);
    const Scaled ss = scaled(s, bits);
    const Dd ratio = div(mul(sp.m, ss.m), mul(sh.m, static_cast<double>(n)));
    const BigInt correction = fixed_from(ratio, sp.e + ss.e - sh.e, bits);
    x = big_sub(x, correction);
    if (big_bit_length(correction) <= converged_bits) {
      return;
    }
  }
}

// S_n and S_{n-1} at x = m 2^-bits, exactly (step 2): P_n(x) has the
// sign of S_n.
struct Exact {
  BigInt m;
  BigInt s;
  BigInt s_previous;
};

Exact legendre_exact(int n, const BigInt& m, int bits) {
  BigInt previous = big_from_u64(1);
  BigInt current = m;
  for (int k = 1; k < n; ++k) {
    const auto uk = static_cast<std::uint32_t>(k);
    BigInt next =
        big_sub(big_mul(big_mul_small(current, 2 * uk + 1), m),
                big_mul_small(big_shift_left(previous, 2 * bits), uk * uk));
    previous = std::move(current);
    current = std::move(next);
  }
  return {m, std::move(current), std::move(previous)};
}

// The root enclosed: low.m 2^-bits < r < high.m 2^-bits, or r = low.m
// 2^-bits exactly (exact set, high unused).
struct Enclosure {
  int bits;
  Exact low;
  Exact high;
  bool exact;
};

BigInt negated(BigInt v) {
  v.negative = !v.negative && big_sign(v) != 0;
  return v;
}

// The node at x = m 2^-bits, rounded: mid + sign radius x.
double node_at(const Dyadic& mid, const Dyadic& radius, int sign,
               const BigInt& m, int bits) {
  const Dyadic x{sign < 0 ? negated(m) : m, -bits};
  return dyadic_round(dyadic_add(mid, dyadic_mul(radius, x)));
}

// Lower (up = false) or upper bound of num / den, both positive, as a
// dyadic, within 2^-precision relative: each is cut to its top bits,
// rounded the way that keeps the bound, and divided.
Dyadic quotient_bound(const BigInt& num, const BigInt& den, int precision,
                      bool up) {
  const int cut_num = std::max(0, big_bit_length(num) - precision);
  const int cut_den = std::max(0, big_bit_length(den) - precision);
  BigInt a = big_shift_right(num, cut_num);
  BigInt b = big_shift_right(den, cut_den);
  if (up) {
    a = big_add(a, big_from_u64(1));
  } else {
    b = big_add(b, big_from_u64(1));
  }
  // floor(a 2^t / b) has some precision + 8 bits.
  const int t = precision + 8 - (big_bit_length(a) - big_bit_length(b));
  BigInt q = t >= 0 ? big_div_floor(big_shift_left(a, t), b)
                    : big_div_floor(a, big_shift_left(b, -t));
  if (up) {
    q = big_add(q, big_from_u64(1));
  }
  return {q, cut_num - cut_den - t};
}

BigInt factorial(int n) {
  BigInt f = big_from_u64(1);
  for (int k = 2; k <= n; ++k) {
    f = big_mul_small(f, static_cast<std::uint32_t>(k));
  }
  return f;
}

// The weight's bounds at the enclosure, rounded; true when they agree.
//
// With D = 2^((n+1)F) n! and T = n 2^(2F) S_{n-1} - m S_n at x = m 2^-F,
// h(x) = P_{n-1}(x) - x P_n(x) = T / D, and the weight is 2 (1 - r^2) /
// (n h(r))^2. Markov's inequality (|P_k| <= 1 on [-1, 1]) gives |h'| <=
// (n - 1)^2 + 1 + n^2 <= 2 n^2, so |h(r) - h(xl)| <= 2 n^2 (xh - xl) = e,
// and with xh - xl = 2^(guard + 1 - F), e D = n^2 2^(guard + 2 + nF) n!.
// 1 - r^2 lies between 1 - xh^2 and 1 - xl^2 (0 < xl < r < xh).
bool weight_rounded(int n, const Enclosure& e, const Dyadic& radius,
                    double& out) {
  const int f = e.bits;
  const BigInt fact = factorial(n);
  const auto un = static_cast<std::uint32_t>(n);
  const Exact& at = e.low;
  BigInt t = big_sub(big_mul_small(big_shift_left(at.s_previous, 2 * f), un),
                     big_mul(at.m, at.s));
  t.negative = false;
  BigInt spread;
  if (!e.exact) {
    spread =
        big_shift_left(big_mul_small(fact, un * un), guard_bits + 2 + n * f);
  }
  // The bounds of |h| D, cut to their top bits (down for the lower, up for
  // the upper: still bounds) times 2^cut, so that their squares stay short.
  const int precision = f + 64;
  BigInt h_high = big_add(t, spread);
  const int cut = std::max(0, big_bit_length(h_high) - precision - 16);
  const BigInt h_low = big_shift_right(big_sub(t, spread), cut);
  h_high = big_add(big_shift_right(h_high, cut), big_from_u64(1));
  if (big_sign(h_low) <= 0) {
    return false;
  }
  // weight = radius 2 (2^(2F) - m^2) D^2 / (2^(2F) n^2 H^2), with D^2 =
  // (n!)^2 2^(2(n+1)F) and H = h 2^cut: the powers of 2 go to the exponent.
  const BigInt one = big_shift_left(big_from_u64(1), 2 * f);
  const BigInt& m_high = e.exact ? at.m : e.high.m;
  const BigInt s_low = big_sub(one, big_mul(m_high, m_high));
  const BigInt s_high = big_sub(one, big_mul(at.m, at.m));
  const BigInt r2 =
      big_mul(big_shift_left(radius.mantissa, 1), big_mul(fact, fact));
  const Dyadic low = quotient_bound(
      big_mul(r2, s_low), big_mul_small(big_mul(h_high, h_high), un * un),
      precision, false);
  const Dyadic high = quotient_bound(
      big_mul(r2, s_high), big_mul_small(big_mul(h_low, h_low), un * un),
      precision, true);
  const int exponent = radius.exponent - 2 * f + 2 * (n + 1) * f - 2 * cut;
  const double lower = dyadic_round({low.mantissa, low.exponent + exponent});
  const double upper = dyadic_round({high.mantissa, high.exponent + exponent});
  out = lower;
  return std::bit_cast<std::uint64_t>(lower) ==
         std::bit_cast<std::uint64_t>(upper);
}

// Encloses the root near root at ever more bits until decide(enclosure,
// out) returns true; at exact_value_max_bits, returns the value at the
// last Newton root.
template <class Decide>
double enclosed(int n, Dd root, int* bits_used, Decide decide) {
  const Dyadic start =
      dyadic_add(dyadic_from_double(root.hi), dyadic_from_double(root.lo));
  int bits = first_bits;
  BigInt x = dyadic_to_fixed(start, bits);
  double out = 0.0;
  if (big_sign(x) == 0) {
    // The middle root of an odd order, exactly 0.
    for (;; bits *= 2) {
      if (bits_used != nullptr) {
        *bits_used = bits;
      }
      if (decide(Enclosure{bits, legendre_exact(n, x, bits), {}, true}, out) ||
          bits >= exact_value_max_bits) {
        return out;
      }
    }
  }
  for (;;) {
    newton_fixed(n, x, bits);
    if (bits_used != nullptr) {
      *bits_used = bits;
    }
    const bool near_start =
        big_bit_length(big_sub(x, dyadic_to_fixed(start, bits))) <=
        bits - converged_bits;
    if (near_start) {
      const BigInt width = big_shift_left(big_from_u64(1), guard_bits);
      Exact low = legendre_exact(n, big_sub(x, width), bits);
      Exact high = legendre_exact(n, big_add(x, width), bits);
      const int sign_low = big_sign(low.s);
      const int sign_high = big_sign(high.s);
      if (sign_low == 0 || sign_high == 0) {
        Exact& root_itself = sign_low == 0 ? low : high;
        if (decide(Enclosure{bits, std::move(root_itself), {}, true}, out)) {
          return out;
        }
      } else if (sign_low != sign_high &&
                 decide(Enclosure{bits, std::move(low), std::move(high), false},
                        out)) {
        return out;
      }
    }
    if (bits >= exact_value_max_bits) {
      // Undecided at the most bits: the value at Newton's root as if it
      // were exact, the best estimate there is.
      decide(Enclosure{bits, legendre_exact(n, x, bits), {}, true}, out);
      return out;
    }
    x = big_shift_left(x, bits);
    bits *= 2;
  }
}

}  // namespace

Dyadic half_sum(double a, double b) {
  Dyadic v = dyadic_add(dyadic_from_double(a), dyadic_from_double(b));
  v.exponent -= 1;
  return v;
}

Dyadic half_difference(double a, double b) {
  Dyadic v = dyadic_add(dyadic_from_double(b), dyadic_from_double(-a));
  v.exponent -= 1;
  return v;
}

double exact_mapped_node(int n, Dd root, double a, double b, int sign,
                         int* bits) {
  const Dyadic mid = half_sum(a, b);
  const Dyadic radius = half_difference(a, b);
  return enclosed(n, root, bits, [&](const Enclosure& e, double& out) {
    out = node_at(mid, radius, sign, e.low.m, e.bits);
    if (e.exact) {
      return true;
    }
    const double other = node_at(mid, radius, sign, e.high.m, e.bits);
    return std::bit_cast<std::uint64_t>(out) ==
           std::bit_cast<std::uint64_t>(other);
  });
}

double exact_mapped_weight(int n, Dd root, double a, double b, int* bits) {
  const Dyadic radius = half_difference(a, b);
  return enclosed(n, root, bits, [&](const Enclosure& e, double& out) {
    return weight_rounded(n, e, radius, out);
  });
}

}  // namespace zemta::detail
