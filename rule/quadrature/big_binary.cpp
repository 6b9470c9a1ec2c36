// Schoolbook arithmetic on 32-bit limbs: simple, and fast enough for the
// few values the slow path sees (a few hundred to a few thousand bits).
#include "rule/quadrature/big_binary.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace zemta::detail {

namespace {

using Limbs = std::vector<std::uint32_t>;

constexpr int limb_bits = 32;

void trim(Limbs& v) {
  while (!v.empty() && v.back() == 0) {
    v.pop_back();
  }
}

int compare_magnitude(const Limbs& a, const Limbs& b) {
  if (a.size() != b.size()) {
    return a.size() < b.size() ? -1 : 1;
  }
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) {
      return a[i] < b[i] ? -1 : 1;
    }
  }
  return 0;
}

Limbs add_magnitude(const Limbs& a, const Limbs& b) {
  const Limbs& longer = a.size() >= b.size() ? a : b;
  const Limbs& shorter = a.size() >= b.size() ? b : a;
  Limbs sum(longer.size() + 1);
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < longer.size(); ++i) {
    carry += longer[i];
    if (i < shorter.size()) {
      carry += shorter[i];
    }
    sum[i] = static_cast<std::uint32_t>(carry);
    carry >>= limb_bits;
  }
  sum[longer.size()] = static_cast<std::uint32_t>(carry);
  trim(sum);
  return sum;
}

// a - b for |a| >= |b|.
Limbs sub_magnitude(const Limbs& a, const Limbs& b) {
  Limbs difference(a.size());
  std::int64_t borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::int64_t d = static_cast<std::int64_t>(a[i]) - borrow;
    if (i < b.size()) {
      d -= b[i];
    }
    borrow = d < 0 ? 1 : 0;
    difference[i] = static_cast<std::uint32_t>(d + (borrow << limb_bits));
  }
  trim(difference);
  return difference;
}

BigInt make(Limbs limbs, bool negative) {
  trim(limbs);
  BigInt v;
  v.negative = negative && !limbs.empty();
  v.limbs = std::move(limbs);
  return v;
}

bool bit_set(const Limbs& v, int bit) {
  const auto limb = static_cast<std::size_t>(bit / limb_bits);
  return limb < v.size() && ((v[limb] >> (bit % limb_bits)) & 1U) != 0;
}

}  // namespace

bool any_bit_below(const std::vector<std::uint32_t>& v, int bit) {
  const auto whole = static_cast<std::size_t>(bit / limb_bits);
  for (std::size_t i = 0; i < whole && i < v.size(); ++i) {
    if (v[i] != 0) {
      return true;
    }
  }
  const int part = bit % limb_bits;
  return part != 0 && whole < v.size() &&
         (v[whole] & ((std::uint32_t{1} << part) - 1)) != 0;
}

BigInt big_from_u64(std::uint64_t v) {
  return make({static_cast<std::uint32_t>(v),
               static_cast<std::uint32_t>(v >> limb_bits)},
              false);
}

BigInt big_add(const BigInt& a, const BigInt& b) {
  if (a.negative == b.negative) {
    return make(add_magnitude(a.limbs, b.limbs), a.negative);
  }
  if (compare_magnitude(a.limbs, b.limbs) >= 0) {
    return make(sub_magnitude(a.limbs, b.limbs), a.negative);
  }
  return make(sub_magnitude(b.limbs, a.limbs), b.negative);
}

BigInt big_sub(const BigInt& a, const BigInt& b) {
  BigInt negated = b;
  negated.negative = !b.negative && !b.limbs.empty();
  return big_add(a, negated);
}

BigInt big_mul(const BigInt& a, const BigInt& b) {
  if (a.limbs.empty() || b.limbs.empty()) {
    return {};
  }
  Limbs product(a.limbs.size() + b.limbs.size());
  for (std::size_t i = 0; i < a.limbs.size(); ++i) {
    std::uint64_t carry = 0;
    const std::uint64_t ai = a.limbs[i];
    for (std::size_t j = 0; j < b.limbs.size(); ++j) {
      carry += ai * b.limbs[j] + product[i + j];
      product[i + j] = static_cast<std::uint32_t>(carry);
      carry >>= limb_bits;
    }
    product[i + b.limbs.size()] = static_cast<std::uint32_t>(carry);
  }
  return make(std::move(product), a.negative != b.negative);
}

BigInt big_mul_small(const BigInt& a, std::uint32_t m) {
  Limbs product(a.limbs.size() + 1);
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < a.limbs.size(); ++i) {
    carry += static_cast<std::uint64_t>(a.limbs[i]) * m;
    product[i] = static_cast<std::uint32_t>(carry);
    carry >>= limb_bits;
  }
  product[a.limbs.size()] = static_cast<std::uint32_t>(carry);
  return make(std::move(product), a.negative);
}

BigInt big_div_small(const BigInt& a, std::uint32_t m) {
  Limbs quotient(a.limbs.size());
  std::uint64_t remainder = 0;
  for (std::size_t i = a.limbs.size(); i-- > 0;) {
    remainder = (remainder << limb_bits) | a.limbs[i];
    quotient[i] = static_cast<std::uint32_t>(remainder / m);
    remainder %= m;
  }
  return make(std::move(quotient), a.negative);
}

BigInt big_shift_left(const BigInt& a, int bits) {
  if (a.limbs.empty()) {
    return {};
  }
  const auto whole = static_cast<std::size_t>(bits / limb_bits);
  const int part = bits % limb_bits;
  Limbs shifted(a.limbs.size() + whole + 1);
  for (std::size_t i = 0; i < a.limbs.size(); ++i) {
    const std::uint64_t v = static_cast<std::uint64_t>(a.limbs[i]) << part;
    shifted[i + whole] |= static_cast<std::uint32_t>(v);
    shifted[i + whole + 1] |= static_cast<std::uint32_t>(v >> limb_bits);
  }
  return make(std::move(shifted), a.negative);
}

BigInt big_shift_right(const BigInt& a, int bits) {
  const auto whole = static_cast<std::size_t>(bits / limb_bits);
  if (whole >= a.limbs.size()) {
    return {};
  }
  const int part = bits % limb_bits;
  Limbs shifted(a.limbs.size() - whole);
  for (std::size_t i = 0; i < shifted.size(); ++i) {
    std::uint64_t v = a.limbs[i + whole];
    if (i + whole + 1 < a.limbs.size()) {
      v |= static_cast<std::uint64_t>(a.limbs[i + whole + 1]) << limb_bits;
    }
    shifted[i] = static_cast<std::uint32_t>(v >> part);
  }
  return make(std::move(shifted), a.negative);
}

BigInt big_div_floor(const BigInt& a, const BigInt& b) {
  const int shift = big_bit_length(a) - big_bit_length(b);
  if (shift < 0) {
    return {};
  }
  Limbs quotient(static_cast<std::size_t>(shift / limb_bits + 1));
  Limbs remainder = a.limbs;
  for (int s = shift; s >= 0; --s) {
    const BigInt part = big_shift_left(b, s);
    if (compare_magnitude(remainder, part.limbs) >= 0) {
      remainder = sub_magnitude(remainder, part.limbs);
      quotient[static_cast<std::size_t>(s / limb_bits)] |= std::uint32_t{1}
                                                           << (s % limb_bits);
    }
  }
  return make(std::move(quotient), false);
}

int big_sign(const BigInt& a) {
  if (a.limbs.empty()) {
    return 0;
  }
  return a.negative ? -1 : 1;
}

int big_bit_length(const BigInt& a) {
  if (a.limbs.empty()) {
    return 0;
  }
  int top = 0;
  for (std::uint32_t v = a.limbs.back(); v != 0; v >>= 1) {
    ++top;
  }
  return static_cast<int>(a.limbs.size() - 1) * limb_bits + top;
}

Dyadic dyadic_from_double(double v) {
  // frexp and ldexp are exact: v = f * 2^e with 0.5 <= |f| < 1, and f * 2^53
  // is an integer below 2^53.
  int e = 0;
  const double f = std::frexp(v, &e);
  const double scaled = std::ldexp(std::fabs(f), 53);
  BigInt m = big_from_u64(static_cast<std::uint64_t>(scaled));
  m.negative = v < 0.0 && !m.limbs.empty();
  return {m, e - 53};
}

Dyadic dyadic_add(const Dyadic& a, const Dyadic& b) {
  if (a.mantissa.limbs.empty()) {
    return b;
  }
  if (b.mantissa.limbs.empty()) {
    return a;
  }
  if (a.exponent < b.exponent) {
    return {big_add(a.mantissa,
                    big_shift_left(b.mantissa, b.exponent - a.exponent)),
            a.exponent};
  }
  return {
      big_add(big_shift_left(a.mantissa, a.exponent - b.exponent), b.mantissa),
      b.exponent};
}

Dyadic dyadic_mul(const Dyadic& a, const Dyadic& b) {
  return {big_mul(a.mantissa, b.mantissa), a.exponent + b.exponent};
}

BigInt dyadic_to_fixed(const Dyadic& v, int bits) {
  const int shift = v.exponent + bits;
  return shift >= 0 ? big_shift_left(v.mantissa, shift)
                    : big_shift_right(v.mantissa, -shift);
}

double dyadic_round(const Dyadic& v) {
  const int length = big_bit_length(v.mantissa);
  if (length == 0) {
    return 0.0;
  }
  // The quantum 2^q: 53 significant bits in the binade of the leading
  // bit, and never below 2^-1074.
  const int lead = v.exponent + length - 1;
  const int q = lead - 52 > -1074 ? lead - 52 : -1074;
  if (lead > 1024) {
    return v.mantissa.negative ? -HUGE_VAL : HUGE_VAL;
  }
  std::uint64_t k = 0;
  if (q <= v.exponent) {
    // Exact: at most 53 bits at the quantum.
    const BigInt m = big_shift_left(v.mantissa, v.exponent - q);
    for (std::size_t i = m.limbs.size(); i-- > 0;) {
      k = (k << limb_bits) | m.limbs[i];
    }
  } else {
    const int drop = q - v.exponent;
    const BigInt kept = big_shift_right(v.mantissa, drop);
    for (std::size_t i = kept.limbs.size(); i-- > 0;) {
      k = (k << limb_bits) | kept.limbs[i];
    }
    const bool half = bit_set(v.mantissa.limbs, drop - 1);
    const bool beyond = any_bit_below(v.mantissa.limbs, drop - 1);
    if (half && (beyond || (k & 1U) != 0)) {
      ++k;  // at most 2^53, still exact as a double
    }
  }
  // k <= 2^53 and q >= -1074: k * 2^q is a double (or overflows to
  // infinity just past DBL_MAX), so ldexp is exact. k goes through the
  // signed type: 32-bit x86 converts an unsigned 64-bit integer with an
  // x87 addition, which the build keeps out of every computation.
  const double magnitude =
      std::ldexp(static_cast<double>(static_cast<std::int64_t>(k)), q);
  return v.mantissa.negative ? -magnitude : magnitude;
}

}  // namespace zemta::detail
