// format_coefficient against an exact-decimal reference.
//
// The first 8 bytes give a double. Normally it is folded onto [0, 1], where
// every value the program writes lies: the non-negative doubles are ordered
// like their bit patterns, so the bits taken modulo (bits of 1.0) + 1 reach
// every double of [0, 1], subnormals included. When a ninth byte is present
// and odd, the bits are used as they are, to check the '*' text outside the
// domain [0, 10) as well.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "emit/format_coefficient.h"

namespace {

// The exact decimal expansion of a finite double in [0, 10): its units digit
// followed by every digit after the point, as characters.
//
// A double is m * 2^e with an integer m. In [0, 10) e is negative, and
// m * 2^e = m * 5^-e / 10^-e: the digits of the integer m * 5^-e with the
// point -e places from the right.
std::string exact_decimal(double value) {
  int e = 0;
  const double fraction = std::frexp(value, &e);  // value = fraction * 2^e
  // 53 bits of mantissa as an integer; subnormals need no special case.
  auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  e -= 53;
  if (e >= 0) {
    std::abort();  // not reached below 10
  }
  // The decimal digits of m, least significant first.
  std::string reversed;
  do {
    reversed += static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  // Multiply by 5, -e times, digit by digit; up to 13 factors of 5 at a
  // time (5^13 times a digit plus the carry stays far below 2^64).
  for (int k = 0; k < -e;) {
    const int factors = std::min(13, -e - k);
    std::uint64_t multiplier = 1;
    for (int f = 0; f < factors; ++f) {
      multiplier *= 5;
    }
    k += factors;
    std::uint64_t carry = 0;
    for (char& digit : reversed) {
      const std::uint64_t product =
          static_cast<std::uint64_t>(digit - '0') * multiplier + carry;
      digit = static_cast<char>('0' + product % 10);
      carry = product / 10;
    }
    for (; carry != 0; carry /= 10) {
      reversed += static_cast<char>('0' + carry % 10);
    }
  }
  // At least one digit before the point.
  const auto places = static_cast<std::size_t>(-e);
  while (reversed.size() < places + 1) {
    reversed += '0';
  }
  if (reversed.size() != places + 1) {
    std::abort();  // two integer digits: not below 10
  }
  return {reversed.rbegin(), reversed.rend()};
}

// Adds one unit at index `last` of a digit string, carrying to the left. The
// string's first digit is the units digit, which never carries over here.
void add_one_at(std::string& digits, std::size_t last) {
  std::size_t i = last;
  while (digits[i] == '9') {
    digits[i] = '0';
    if (i == 0) {
      std::abort();  // would reach 10
    }
    --i;
  }
  ++digits[i];
}

std::string reference_text(double value) {
  if (!(value >= 0.0 && value < 10.0)) {
    std::string stars(zemta::coefficient_width, '*');
    return stars;
  }
  std::string digits = exact_decimal(value);
  // Room for both cuts: 17 digits may start as late as index 325.
  digits.append(400, '0');

  // Stage 1: 17 significant digits, half up (the 18th digit decides).
  const std::size_t first = digits.find_first_not_of('0');
  if (first != std::string::npos) {
    const std::size_t last = first + 16;
    const bool round_up = digits[last + 1] >= '5';
    for (std::size_t i = last + 1; i < digits.size(); ++i) {
      digits[i] = '0';
    }
    if (round_up) {
      add_one_at(digits, last);
    }
  }

  // Stage 2: 19 places; the 20th decides, half up.
  if (digits[20] >= '5') {
    add_one_at(digits, 19);
  }
  return digits.substr(0, 1) + "." + digits.substr(1, 19);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 8) {
    return -1;  // not a double: keep out of the corpus
  }
  std::uint64_t bits = 0;
  std::memcpy(&bits, data, sizeof bits);
  const bool whole_range = size >= 9 && (data[8] & 1U) != 0;
  if (!whole_range) {
    bits %= std::bit_cast<std::uint64_t>(1.0) + 1;
  }
  const auto value = std::bit_cast<double>(bits);

  const std::array<char, zemta::coefficient_width> got =
      zemta::format_coefficient(value);
  const std::string want = reference_text(value == 0.0 ? 0.0 : value);
  if (want.size() != zemta::coefficient_width ||
      std::string(got.begin(), got.end()) != want) {
    std::fprintf(stderr, "format_coefficient(%a): got \"%.*s\", want \"%s\"\n",
                 value, static_cast<int>(got.size()), got.data(), want.c_str());
    std::abort();
  }
  return 0;
}
