#include "rule/emit/shortest_digits.h"

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
// the reading-back interval. The largest integer involved is below
// 2^1085 (r + plus for 2^-1074 scaled by 10^323, or for DBL_MAX times
// ten), and below 2^1116 after the normalizing shift of at most 31 bits.
constexpr int max_wide_bits = 1116;
static_assert(32 * wide_capacity >= max_wide_bits + 1,
              "the digit generation fits WideInteger");

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

// Below 2^128, in two 64-bit words: the same operations as WideInteger for
// the common case, with the product from exact_integer.h so that 32-bit
// targets get the same bits.
class Narrow {
 public:
  explicit Narrow(std::uint64_t v) : lo_(v) {}

  // 2^b, for 0 <= b < 128.
  static Narrow power_of_two(int b) {
    Narrow p(b < 64 ? std::uint64_t{1} << b : 0);
    p.hi_ = b < 64 ? 0 : std::uint64_t{1} << (b - 64);
    return p;
  }

  // *this *= factor, for a product below 2^128.
  void multiply(std::uint64_t factor) {
    std::uint64_t carry = 0;
    zemta::multiply(lo_, factor, carry, lo_);
    hi_ = hi_ * factor + carry;
  }

  // *this *= 10^n, for a product below 2^128.
  void multiply_by_power_of_ten(int n) {
    constexpr int per_step = 19;  // 10^19 < 2^64
    for (; n > per_step; n -= per_step) {
      multiply(power_of_ten(per_step));
    }
    multiply(power_of_ten(n));
  }

  // *this *= 2^n, for 0 < n < 64 and a product below 2^128.
  void shift_left(int n) {
    hi_ = (hi_ << n) | (lo_ >> (64 - n));
    lo_ <<= n;
  }

  // Replaces *this by *this mod 2^b and returns the quotient, for
  // 0 < b < 128 and a quotient below 2^32.
  std::uint32_t divide_by_power_of_two(int b) {
    std::uint64_t q = 0;
    if (b >= 64) {
      q = hi_ >> (b - 64);
      hi_ &= (std::uint64_t{1} << (b - 64)) - 1;
    } else {
      q = (hi_ << (64 - b)) | (lo_ >> b);
      hi_ = 0;
      lo_ &= (std::uint64_t{1} << b) - 1;
    }
    return static_cast<std::uint32_t>(q);
  }

  friend int compare(const Narrow& a, const Narrow& b) {
    if (a.hi_ != b.hi_) {
      return a.hi_ < b.hi_ ? -1 : 1;
    }
    return a.lo_ == b.lo_ ? 0 : a.lo_ < b.lo_ ? -1 : 1;
  }

  // The sign of a + b - c, for a sum below 2^128.
  friend int compare_sum(const Narrow& a, const Narrow& b, const Narrow& c) {
    Narrow sum(a.lo_ + b.lo_);
    sum.hi_ = a.hi_ + b.hi_ + (sum.lo_ < a.lo_ ? 1 : 0);
    return compare(sum, c);
  }

 private:
  static constexpr std::uint64_t power_of_ten(int n) {
    std::uint64_t p = 1;
    for (int i = 0; i < n; ++i) {
      p *= 10;
    }
    return p;
  }

  std::uint64_t hi_ = 0;
  std::uint64_t lo_;
};

// The digits after the scaling, for either integer type: r / s in
// [1/10, 1), r + plus below s (or s itself when the ends are inclusive);
// minus is plus except below a power of two. next_digit multiplies nothing:
// it turns r (already times ten) into r mod s and returns the quotient.
// Writes out's digits and count and returns the decimal exponent's
// adjustment, 1 when the raised last digit carried into a new first one.
template <typename Integer, typename NextDigit>
int generate(Integer& r, const Integer& s, Integer& plus, Integer& minus,
             bool asymmetric, bool inclusive, NextDigit next_digit,
             ShortestDigits& out) {
  const Integer& low_end = asymmetric ? minus : plus;
  for (;;) {
    r.multiply(10);
    plus.multiply(10);
    if (asymmetric) {
      minus.multiply(10);
    }
    int digit = static_cast<int>(next_digit(r));
    const int low_cmp = compare(r, low_end);
    const bool low = inclusive ? low_cmp <= 0 : low_cmp < 0;
    const int high_cmp = compare_sum(r, plus, s);
    const bool high = inclusive ? high_cmp >= 0 : high_cmp > 0;
    if (!low && !high) {
      out.digits[out.count++] = static_cast<char>('0' + digit);
      continue;
    }
    if (low && high) {
      // Both candidates read back: the nearer, or the even one at a tie.
      const int c = compare_sum(r, r, s);
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
  int carried = 0;
  std::size_t last = out.count - 1;
  while (out.digits[last] > '9') {
    out.digits[last] = '0';
    if (last == 0) {
      out.digits[0] = '1';
      carried = 1;
      break;
    }
    ++out.digits[--last];
  }
  out.count = last + 1;
  while (out.count > 1 && out.digits[out.count - 1] == '0') {
    --out.count;
  }
  return carried;
}

// The fast case: a value below 1 whose denominator s is 2^b with b at
// most 122, so that r * 10 + plus, below 20 * s, fits in 128 bits and each
// digit is a shift. Covers every double from about 2e-21 (2^-69) up to below 1
// except those just below a power of ten (k is then one more); returns
// false, with out untouched, for the rest.
constexpr int max_narrow_bits = 122;

bool narrow_digits(std::uint64_t f, int e, int k, bool asymmetric,
                   bool inclusive, ShortestDigits& out) {
  const int extra = asymmetric ? 1 : 0;
  const int b = 1 + extra - e;
  if (e >= 0 || k > 0 || b > max_narrow_bits) {
    return false;
  }
  Narrow r(f);
  r.shift_left(1 + extra);
  Narrow plus(std::uint64_t{1} << extra);
  Narrow minus(1);
  r.multiply_by_power_of_ten(-k);
  plus.multiply_by_power_of_ten(-k);
  minus.multiply_by_power_of_ten(-k);
  const Narrow s = Narrow::power_of_two(b);
  const int high_cmp = compare_sum(r, plus, s);
  if (inclusive ? high_cmp >= 0 : high_cmp > 0) {
    return false;
  }
  const int carried = generate(
      r, s, plus, minus, asymmetric, inclusive,
      [b](Narrow& x) { return x.divide_by_power_of_two(b); }, out);
  out.exponent = k + carried - 1;
  return true;
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

  // k with 10^(k-1) <= value, so r / s >= 1/10 after scaling by 10^-k; one
  // more when the upper end of the interval reaches 10^k.
  int k = floor_log10_pow2(e + static_cast<int>(std::bit_width(f)) - 1) + 1;
  if (narrow_digits(f, e, k, asymmetric, inclusive, out)) {
    return out;
  }

  Fractions q = fractions(f, e, asymmetric);
  if (k >= 0) {
    q.s.multiply_by_power_of_ten(k);
  } else {
    q.r.multiply_by_power_of_ten(-k);
    q.plus.multiply_by_power_of_ten(-k);
    if (asymmetric) {
      q.minus.multiply_by_power_of_ten(-k);
    }
  }
  const int high_cmp = compare_sum(q.r, q.plus, q.s);
  if (inclusive ? high_cmp >= 0 : high_cmp > 0) {
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
  const int carried = generate(
      q.r, q.s, q.plus, q.minus, asymmetric, inclusive,
      [&q](WideInteger& x) { return x.divide_small(q.s); }, out);
  out.exponent = k + carried - 1;
  return out;
}

}  // namespace zemta
