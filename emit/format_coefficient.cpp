#include "emit/format_coefficient.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace zemta {

namespace {

// Significant digits carried from the double into the text.
constexpr int significant_digits = 17;

// Decimal places written after the point.
constexpr int decimal_places = 19;

// 10^16 and 10^17: a 17-digit significand lies in [10^16, 10^17).
constexpr std::uint64_t ten_to_16 = 10'000'000'000'000'000;
constexpr std::uint64_t ten_to_17 = 100'000'000'000'000'000;

// Bits of an IEEE double: 52 stored significand bits, exponent bias 1023.
constexpr int stored_significand_bits = 52;
constexpr int exponent_bias = 1023;

// The exact path below needs 5^s in 64 bits for s up to 16 - floor(log10 v);
// 5^27 < 2^63 < 5^28, so it takes binary exponents down to -36, where
// floor(log10 v) >= -11 (v >= 2^-36, about 1.5e-11).
constexpr int max_scale = 27;
constexpr int min_exact_binary_exponent = -36;

// floor(e * log10(2)) for |e| <= 1650, as 78913 / 2^18 approximates
// log10(2) closely enough over that range (the bound used by Ryu and fmt).
constexpr int floor_log10_pow2(int e) { return (e * 78913) >> 18; }

constexpr std::uint64_t power_of_five(int s) {
  std::uint64_t p = 1;
  for (int i = 0; i < s; ++i) {
    p *= 5;
  }
  return p;
}

static_assert(significant_digits - 1 -
                      floor_log10_pow2(min_exact_binary_exponent) ==
                  max_scale,
              "the smallest exact-path value needs 5^max_scale");
static_assert(power_of_five(max_scale) < (std::uint64_t{1} << 63),
              "5^max_scale fits in 64 bits");

// The 17 significant digits of a positive value: the rounded value is
// significand * 10^(point - 17), significand in [10^16, 10^17].
struct Rounded {
  std::uint64_t significand;
  int point;
};

// a * b as a 128-bit number hi * 2^64 + lo, from 32-bit halves, so that
// it needs no 128-bit type (32-bit targets have none).
void multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& hi,
              std::uint64_t& lo) {
  constexpr std::uint64_t low_half = 0xFFFF'FFFF;
  const std::uint64_t a0 = a & low_half;
  const std::uint64_t a1 = a >> 32;
  const std::uint64_t b0 = b & low_half;
  const std::uint64_t b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0;
  const std::uint64_t p01 = a0 * b1;
  const std::uint64_t p10 = a1 * b0;
  const std::uint64_t p11 = a1 * b1;
  const std::uint64_t middle =
      (p00 >> 32) + (p01 & low_half) + (p10 & low_half);
  lo = (middle << 32) | (p00 & low_half);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

// The value m * 2^e times 10^s, rounded to an integer, halfway up.
// Exact: m * 2^e * 10^s = m * 5^s / 2^-(s + e), and the integer m * 5^s
// is formed in full before the division by a power of two, whose
// remainder decides the rounding. Needs 0 < -(s + e) < 64 and a quotient
// below 2^64.
std::uint64_t scaled(std::uint64_t m, int e, int s) {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  multiply(m, power_of_five(s), hi, lo);
  const int shift = -(s + e);
  const std::uint64_t quotient = (hi << (64 - shift)) | (lo >> shift);
  const std::uint64_t remainder = lo & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  return remainder >= half ? quotient + 1 : quotient;
}

// The truncated quotient of the same scaling: which decade the value is in.
std::uint64_t scaled_down(std::uint64_t m, int e, int s) {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  multiply(m, power_of_five(s), hi, lo);
  const int shift = -(s + e);
  return (hi << (64 - shift)) | (lo >> shift);
}

// The 17 digits of v >= 2^-36 (and below 10) by exact integer arithmetic.
// With k = floor(log10 2^E) for v in [2^E, 2^(E+1)), floor(log10 v) is k
// or k + 1, so v * 10^(16 - k) lies in [10^16, 2 * 10^17); when it is
// 10^17 or more the scale drops by one.
Rounded exact_digits(std::uint64_t m, int binary_exponent) {
  const int e = binary_exponent - stored_significand_bits;
  const int k = floor_log10_pow2(binary_exponent);
  int s = significant_digits - 1 - k;
  if (scaled_down(m, e, s) >= ten_to_17) {
    --s;
  }
  // Rounding up may carry to 10^17, which is still 17 digits' worth of
  // value: 10^17 * 10^(point - 17) = 10^16 * 10^(point + 1 - 17).
  return {scaled(m, e, s), significant_digits - s};
}

// Below 2^-36 the same scaling needs more than 64 bits: the smallest
// double, 2^-1074, takes s = 340, and m * 5^340 < 2^53 * 2^790. It is formed
// in 32-bit limbs, least significant first.
constexpr int wide_limbs = 27;
static_assert(32 * wide_limbs >= 53 + 790, "m * 5^340 fits the limbs");

// 5^13 is the largest power of five below 2^31, so a limb times it plus
// the carry stays below 2^63.
constexpr int five_powers_per_step = 13;

// m * 2^e * 10^s rounded to an integer, halfway up, with its truncated
// quotient in `truncated`, for e < 0, s >= 0 and a quotient below 2^63: the
// integer m * 5^s divided by 2^-(s + e).
std::uint64_t wide_scaled(std::uint64_t m, int e, int s,
                          std::uint64_t& truncated) {
  std::uint32_t limb[wide_limbs] = {static_cast<std::uint32_t>(m),
                                    static_cast<std::uint32_t>(m >> 32)};
  int used = 2;
  for (int left = s; left > 0; left -= five_powers_per_step) {
    const std::uint64_t factor =
        power_of_five(std::min(left, five_powers_per_step));
    std::uint64_t carry = 0;
    for (int i = 0; i < used; ++i) {
      const std::uint64_t product = limb[i] * factor + carry;
      limb[i] = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) {
      limb[used++] = static_cast<std::uint32_t>(carry);
    }
  }
  // The quotient is the 64 bits from bit `shift` on (it has fewer than
  // 64); the remainder is at least half the divisor when bit shift - 1 is
  // set.
  const int shift = -(s + e);
  const auto bits_from = [&limb](int at) {
    const int word = at / 32;
    const int bit = at % 32;
    const auto limb_at = [&limb](int i) {
      return i < wide_limbs ? std::uint64_t{limb[i]} : 0;
    };
    const std::uint64_t low = limb_at(word) | (limb_at(word + 1) << 32);
    return bit == 0 ? low : (low >> bit) | (limb_at(word + 2) << (64 - bit));
  };
  truncated = bits_from(shift);
  return truncated + (bits_from(shift - 1) & 1);
}

// The 17 digits of a tiny v (below 2^-36, subnormals included) as
// exact_digits finds them, in wide integers. m * 2^e with m < 2^53 (below
// 2^52 for a subnormal), so v lies in [2^E, 2^(E+1)) for
// E = e + bit_width(m) - 1.
Rounded tiny_digits(std::uint64_t m, int e) {
  const int k = floor_log10_pow2(e + static_cast<int>(std::bit_width(m)) - 1);
  int s = significant_digits - 1 - k;
  std::uint64_t truncated = 0;
  std::uint64_t rounded = wide_scaled(m, e, s, truncated);
  if (truncated >= ten_to_17) {
    --s;
    rounded = wide_scaled(m, e, s, truncated);
  }
  return {rounded, significant_digits - s};
}

// The 17 significant digits of a positive finite double below 10, rounded
// to nearest with halfway cases up.
Rounded significant(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int binary_exponent =
      static_cast<int>(bits >> stored_significand_bits) - exponent_bias;
  const std::uint64_t stored =
      bits & ((std::uint64_t{1} << stored_significand_bits) - 1);
  if (binary_exponent < min_exact_binary_exponent) {
    // A subnormal (stored exponent 0) has no implicit leading bit and the
    // binary exponent of the smallest normal.
    if (binary_exponent == -exponent_bias) {
      return tiny_digits(stored, 1 - exponent_bias - stored_significand_bits);
    }
    return tiny_digits(stored | (std::uint64_t{1} << stored_significand_bits),
                       binary_exponent - stored_significand_bits);
  }
  const std::uint64_t m =
      stored | (std::uint64_t{1} << stored_significand_bits);
  return exact_digits(m, binary_exponent);
}

}  // namespace

std::array<char, coefficient_width> format_coefficient(double value) noexcept {
  std::array<char, coefficient_width> text;
  // Also false for NaN.
  if (!(value >= 0.0 && value < 10.0)) {
    text.fill('*');
    return text;
  }

  // Zero (either sign) has no significant digits to place.
  int place[decimal_places + 1] = {};
  if (value != 0.0) {
    // Stage 1: the 17 significant digits, most significant first; a carry
    // to 10^17 gives the digits of 10^16 one decade up.
    Rounded r = significant(value);
    if (r.significand == ten_to_17) {
      r = {ten_to_16, r.point + 1};
    }
    int digit[significant_digits];
    for (int k = significant_digits - 1; k >= 0; --k) {
      digit[k] = static_cast<int>(r.significand % 10);
      r.significand /= 10;
    }

    // Stage 2: place the digits by weight. place[0] is the units digit and
    // place[p] the p-th decimal place; digit k (1-based) has weight
    // 10^(point - k), so it lands on place k - point. Below 10 the 17-digit
    // decimal stays below 10 (the largest double below 10 keeps the digits
    // 9.9999999999999982), so point <= 1 and p >= 0. The places after the
    // last digit are zeros.
    int first_cut_digit = 0;
    for (int k = 1; k <= significant_digits; ++k) {
      const int p = k - r.point;
      if (p <= decimal_places) {
        place[p] = digit[k - 1];
      } else if (p == decimal_places + 1) {
        first_cut_digit = digit[k - 1];
      }
    }

    // Below 0.001 the 17 digits run past the last place: round half up on
    // the first digit cut, not on the exact value, and carry leftward.
    // Within the domain the carry stops at the units digit at the latest.
    if (first_cut_digit >= 5) {
      int p = decimal_places;
      while (p > 0 && place[p] == 9) {
        place[p] = 0;
        --p;
      }
      ++place[p];
    }
  }

  text[0] = static_cast<char>('0' + place[0]);
  text[1] = '.';
  for (int p = 1; p <= decimal_places; ++p) {
    text[static_cast<std::size_t>(p) + 1] = static_cast<char>('0' + place[p]);
  }
  return text;
}

}  // namespace zemta
