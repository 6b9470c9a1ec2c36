#include "emit/shortest_digits.h"

#include <bit>
#include <cstdint>
#include <limits>

#include "emit/exact_integer.h"

static_assert(std::numeric_limits<double>::is_iec559);

namespace zemta {

namespace {

// Bits of an IEEE double: 52 stored fraction bits, an 11-bit exponent with
// bias 1023; the value of significand f is f * 2^(biased - 1075), and a
// subnormal (biased 0) has the exponent of biased 1.
constexpr int fraction_bits = 52;
constexpr int exponent_mask = 0x7ff;
constexpr int exponent_offset = 1075;

// The digit generation of Steele and White ("free format", in the form
// Burger and Dybvig give it): the value and the half-gaps to its
// neighbours as fractions r / s, plus / s and minus / s of one common
// denominator, scaled by a power of ten so that r / s < 1; then each step
// multiplies by ten, takes the integer part as the next digit and stops as
// soon as the digits so far, or they with the last one raised, lie within
// the reading-back interval. The largest integer involved is about
// 2^1085 (the value 2^-1074 scaled by 10^323, or DBL_MAX's numerator
// times ten), within WideInteger's capacity.
struct Fractions {
  WideInteger r;
  WideInteger s;
  WideInteger plus;
  WideInteger minus;
};

Fractions fractions(std::uint64_t f, int e, bool asymmetric) {
  // The gap below a power of two is half the gap above it: everything is
  // doubled once more so that the lower half-gap stays an integer.
  const int extra = asymmetric ? 1 : 0;
  Fractions q{WideInteger(f), WideInteger(1), WideInteger(1), WideInteger(1)};
  q.r.shift_left(1 + extra);
  q.s.shift_left(1 + extra);
  q.plus.shift_left(extra);
  if (e >= 0) {
    q.r.shift_left(e);
    q.plus.shift_left(e);
    q.minus.shift_left(e);
  } else {
    q.s.shift_left(-e);
  }
  return q;
}

}  // namespace

ShortestDigits shortest_digits(double value) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  ShortestDigits out{{}, 0, 0, (bits >> 63) != 0};
  const auto biased = static_cast<int>((bits >> fraction_bits) & exponent_mask);
  const std::uint64_t stored = bits & ((std::uint64_t{1} << fraction_bits) - 1);
  if (biased == exponent_mask) {
    return out;  // infinite or NaN
  }
  if (biased == 0 && stored == 0) {
    out.digits[0] = '0';
    out.count = 1;
    return out;
  }
  const std::uint64_t f =
      biased == 0 ? stored : stored | (std::uint64_t{1} << fraction_bits);
  const int e = (biased == 0 ? 1 : biased) - exponent_offset;
  // The smallest normal has a subnormal below it at the same spacing.
  const bool asymmetric = stored == 0 && biased > 1;
  // Ties to even: with an even significand the interval's ends read back
  // as value.
  const bool inclusive = (f & 1) == 0;

  Fractions q = fractions(f, e, asymmetric);

  // k with 10^(k-1) <= value, so r / s >= 1/10 after scaling by 10^-k; one
  // more when the upper end of the interval reaches 10^k.
  int k = floor_log10_pow2(e + static_cast<int>(std::bit_width(f)) - 1) + 1;
  if (k >= 0) {
    q.s.multiply_by_power_of_ten(k);
  } else {
    q.r.multiply_by_power_of_ten(-k);
    q.plus.multiply_by_power_of_ten(-k);
    if (asymmetric) {
      q.minus.multiply_by_power_of_ten(-k);
    }
  }
  const auto high_reached = [&q, inclusive] {
    const int c = compare_sum(q.r, q.plus, q.s);
    return inclusive ? c >= 0 : c > 0;
  };
  if (high_reached()) {
    q.s.multiply(10);
    ++k;
  }

  // Scaled alike, so that the digits' divisor s is normalized.
  const int shift = q.s.normalizing_shift();
  q.r.shift_left(shift);
  q.s.shift_left(shift);
  q.plus.shift_left(shift);
  if (asymmetric) {
    q.minus.shift_left(shift);
  }
  // minus is plus except below a power of two, so it is kept up to date
  // only there.
  const WideInteger& minus = asymmetric ? q.minus : q.plus;

  for (;;) {
    q.r.multiply(10);
    q.plus.multiply(10);
    if (asymmetric) {
      q.minus.multiply(10);
    }
    int digit = static_cast<int>(q.r.divide_small(q.s));
    const int low_cmp = compare(q.r, minus);
    const bool low = inclusive ? low_cmp <= 0 : low_cmp < 0;
    const bool high = high_reached();
    if (!low && !high) {
      out.digits[out.count++] = static_cast<char>('0' + digit);
      continue;
    }
    if (low && high) {
      // Both candidates read back: the nearer, or the even one at a tie.
      WideInteger twice = q.r;
      twice.shift_left(1);
      const int c = compare(twice, q.s);
      if (c > 0 || (c == 0 && digit % 2 != 0)) {
        ++digit;
      }
    } else if (high) {
      ++digit;
    }
    out.digits[out.count++] = static_cast<char>('0' + digit);
    break;
  }
  // A raised last digit can reach ten: carry it leftward.
  std::size_t last = out.count - 1;
  while (out.digits[last] > '9') {
    out.digits[last] = '0';
    if (last == 0) {
      out.digits[0] = '1';
      ++k;
      break;
    }
    ++out.digits[--last];
  }
  out.count = last + 1;
  while (out.count > 1 && out.digits[out.count - 1] == '0') {
    --out.count;
  }
  out.exponent = k - 1;
  return out;
}

}  // namespace zemta
