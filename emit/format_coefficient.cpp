#include "emit/format_coefficient.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "emit/exact_integer.h"

namespace zemta {

namespace {

// Significant digits carried from the double into the text.
constexpr int significant_digits = 17;

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

// 5^0 .. 5^max_scale.
constexpr auto powers_of_five = [] {
  std::array<std::uint64_t, max_scale + 1> p{};
  for (int s = 0; s <= max_scale; ++s) {
    p[static_cast<std::size_t>(s)] = power_of_five(s);
  }
  return p;
}();

// The value m * 2^e times 10^s as an integer: truncated, and rounded with
// halfway cases up. Exact: m * 2^e * 10^s = m * 5^s / 2^-(s + e), and the
// integer m * 5^s is formed in full before the division by a power of two,
// whose remainder decides the rounding. Needs 0 < -(s + e) < 64 and a
// quotient below 2^64.
struct Scaled {
  std::uint64_t truncated;
  std::uint64_t rounded;
};

Scaled scaled(std::uint64_t m, int e, int s) {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  multiply(m, powers_of_five[static_cast<std::size_t>(s)], hi, lo);
  const int shift = -(s + e);
  const std::uint64_t quotient = (hi << (64 - shift)) | (lo >> shift);
  const std::uint64_t half_bit = (lo >> (shift - 1)) & 1;
  return {quotient, quotient + half_bit};
}

// The 17 digits of v >= 2^-36 (and below 10) by exact integer arithmetic.
// With k = floor(log10 2^E) for v in [2^E, 2^(E+1)), floor(log10 v) is k
// or k + 1, so v * 10^(16 - k) lies in [10^16, 2 * 10^17); when it is
// 10^17 or more the scale drops by one.
Rounded exact_digits(std::uint64_t m, int binary_exponent) {
  const int e = binary_exponent - stored_significand_bits;
  const int k = floor_log10_pow2(binary_exponent);
  int s = significant_digits - 1 - k;
  Scaled v = scaled(m, e, s);
  if (v.truncated >= ten_to_17) {
    --s;
    v = scaled(m, e, s);
  }
  // Rounding up may carry to 10^17, which is still 17 digits' worth of
  // value: 10^17 * 10^(point - 17) = 10^16 * 10^(point + 1 - 17).
  return {v.rounded, significant_digits - s};
}

// Below 2^-36 the same scaling needs more than 64 bits: the smallest
// double, 2^-1074, takes s = 340, and m * 5^340 < 2^53 * 2^790. It is formed
// in 32-bit limbs, least significant first.
constexpr int wide_limbs = 27;
static_assert(32 * wide_limbs >= 53 + 790, "m * 5^340 fits the limbs");

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

// 10^0 .. 10^17.
constexpr auto powers_of_ten = [] {
  std::array<std::uint64_t, significant_digits + 1> p{};
  std::uint64_t power = 1;
  for (auto& entry : p) {
    entry = power;
    power *= 10;
  }
  return p;
}();

// The two digits of every number below 100: "00" to "99".
constexpr auto digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// The two digits of n < 100.
const char* two_digits(std::uint64_t n) {
  return &digit_pairs[static_cast<std::size_t>(2 * n)];
}

// Writes v < 10^8 as exactly eight digits, leading zeros included.
void put_eight_digits(char* at, std::uint32_t v) {
  for (std::size_t pair = 4; pair-- > 0;) {
    std::memcpy(at + 2 * pair, two_digits(v % 100), 2);
    v /= 100;
  }
}

// The written text of the 17-digit decimal significand * 10^(point - 17):
// its units digit and its first 19 decimal places as one integer below
// 10^19.
struct Places {
  std::uint64_t units;
  std::uint64_t decimals;
};

// Below 10 the 17-digit decimal stays below 10 (the largest double below
// 10 keeps the digits 9.9999999999999982), so point <= 1. From 0.001 up
// (point >= -2) all 17 digits fall within the 19 places and the places
// after them are zeros. Below 0.001 the digits run past the last place:
// they are cut after it and rounded half up on the first digit cut, not
// on the exact value, the carry running leftward. Rounding half up on the
// first cut digit alone is rounding half up on the whole cut part, as the
// cut part is at least half a unit of the last place exactly when its
// first digit is 5 or more; so the cut is one rounded integer division.
Places place(Rounded r) {
  if (r.point == 1) {
    return {r.significand / ten_to_16, r.significand % ten_to_16 * 1000};
  }
  if (r.point >= -2) {
    const int scale = 2 + r.point;
    return {0, r.significand * powers_of_ten[static_cast<std::size_t>(scale)]};
  }
  // The number of the 17 digits cut, at least one.
  const int cut = -r.point - 2;
  if (cut > significant_digits) {
    return {0, 0};  // even the first cut digit is a 0
  }
  const std::uint64_t unit = powers_of_ten[static_cast<std::size_t>(cut)];
  return {0, (r.significand + unit / 2) / unit};
}

}  // namespace

std::array<char, coefficient_width> format_coefficient(double value) noexcept {
  std::array<char, coefficient_width> text;
  // Also false for NaN.
  if (!(value >= 0.0 && value < 10.0)) {
    text.fill('*');
    return text;
  }

  // Stage 1: the 17 significant digits; a carry to 10^17 gives the digits
  // of 10^16 one decade up. Zero (either sign) has none to place.
  Places places{0, 0};
  if (value != 0.0) {
    Rounded r = significant(value);
    if (r.significand == ten_to_17) {
      r = {ten_to_16, r.point + 1};
    }
    // Stage 2: the digits placed by weight, and cut below 0.001.
    places = place(r);
  }

  // The 19 places: three digits, then twice eight.
  constexpr std::uint64_t ten_to_8 = 100'000'000;
  const std::uint64_t first_three = places.decimals / ten_to_16;
  const std::uint64_t last_sixteen = places.decimals % ten_to_16;
  text[0] = static_cast<char>('0' + places.units);
  text[1] = '.';
  text[2] = static_cast<char>('0' + first_three / 100);
  std::memcpy(&text[3], two_digits(first_three % 100), 2);
  put_eight_digits(&text[5],
                   static_cast<std::uint32_t>(last_sixteen / ten_to_8));
  put_eight_digits(&text[13],
                   static_cast<std::uint32_t>(last_sixteen % ten_to_8));
  return text;
}

}  // namespace zemta
