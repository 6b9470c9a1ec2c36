// The shortest decimal digits of a double: zemta-rule's numbers, found by
// exact integer arithmetic with no tables (the library's floating-point
// std::to_chars carries about 110 KB of them into the web module). The
// digits are generated in 128-bit integers for values from about 2e-21 (2^-69)
// up to below 1 (every node and nearly every weight), otherwise in a small
// fixed-size wide integer (emit/exact_integer.h).
#pragma once

#include <array>
#include <cstddef>

namespace zemta {

// A double has at most 17 significant decimal digits in its shortest form.
inline constexpr std::size_t shortest_digits_capacity = 17;

// The value is (-1)^negative * d.ddd * 10^exponent, the digits
// digits[0..count) as characters '0'..'9'; the first is not '0' unless the
// value is zero, the last is not '0' unless the value is zero.
struct ShortestDigits {
  std::array<char, shortest_digits_capacity> digits;
  std::size_t count;
  int exponent;
  bool negative;
};

// The fewest significant decimal digits that read back (round to nearest)
// as exactly value, and among strings of that length the one nearest the
// exact value of the double: the digits and exponent of std::to_chars'
// scientific shortest form.
//
// Domain: any finite double, subnormals, zero and negative values included.
// The reading-back interval is the set of reals that round to value: it
// includes its ends when the significand is even (ties to even read back
// as value), and at a power of two (stored fraction zero, above the
// smallest normal) its lower half is half as wide as its upper half. When
// the exact value lies halfway between the two nearest candidates of the
// shortest length and both read back, the one whose last digit is even is
// chosen.
//
// Zero (either sign) gives the one digit "0" and exponent 0, negative from
// the sign bit. Infinities and NaN are outside the domain and give count 0.
//
// Examples:
//   0.1                  -> "1", exponent -1
//   0x1.279a74590331cp-1 -> "5773502691896257", exponent -1
//   0x1p-1074            -> "5", exponent -324   (the smallest subnormal)
//   0x1.fffffffffffffp1023 -> "17976931348623157", exponent 308 (DBL_MAX)
//   0x1p53               -> "9007199254740992", exponent 15 (the gap
//                           below is 1, above 2: no 15 digits read back)
//
// Allocates nothing and never fails.
ShortestDigits shortest_digits(double value) noexcept;

}  // namespace zemta
