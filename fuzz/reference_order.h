// A slow reader of the order argument, written for obviousness rather than
// speed, to check cli/order_argument against. It follows the C "%i" rules
// literally and decides saturation by comparing digit strings, so it never
// does arithmetic on a number that could overflow.
#pragma once

#include <climits>
#include <string>
#include <string_view>

namespace zemta::fuzz {

struct ReferenceReading {
  bool converted = false;
  int value = 0;
};

inline bool is_space_character(char c) {
  return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos;
}

// Lower-case digit characters of the base, in order.
inline std::string_view digits_of_base(int base) {
  return std::string_view("0123456789abcdef")
      .substr(0, static_cast<std::size_t>(base));
}

inline char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// a >= b for two digit strings of one base without leading zeros.
inline bool at_least(const std::string& a, std::string_view b) {
  if (a.size() != b.size()) {
    return a.size() > b.size();
  }
  return a >= b;  // same length: lexicographic order is numeric order
}

inline ReferenceReading reference_read_order(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space_character(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  int base = 10;
  std::string digits;  // the number's digits, lower case
  if (text.substr(i).starts_with("0x") || text.substr(i).starts_with("0X")) {
    base = 16;
    i += 2;
  } else if (text.substr(i).starts_with("0")) {
    base = 8;  // the '0' is itself an octal digit
  }
  while (i < text.size() &&
         digits_of_base(base).find(lower(text[i])) != std::string_view::npos) {
    digits += lower(text[i]);
    ++i;
  }
  if (digits.empty()) {
    return {};
  }

  // Without leading zeros, so that comparing lengths compares magnitudes.
  const std::size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? "" : digits.substr(first);

  // INT_MAX and -INT_MIN = 2^31, written in each base.
  const std::string_view int_max = base == 16  ? "7fffffff"
                                   : base == 8 ? "17777777777"
                                               : "2147483647";
  const std::string_view int_min_magnitude = base == 16  ? "80000000"
                                             : base == 8 ? "20000000000"
                                                         : "2147483648";
  if (!negative && at_least(digits, int_max)) {
    return {true, INT_MAX};
  }
  if (negative && at_least(digits, int_min_magnitude)) {
    return {true, INT_MIN};
  }

  // Now below 2^31: at most 10 decimal, 11 octal or 8 hexadecimal digits.
  long long magnitude = 0;
  for (const char c : digits) {
    magnitude =
        magnitude * base + static_cast<long long>(digits_of_base(base).find(c));
  }
  return {true, static_cast<int>(negative ? -magnitude : magnitude)};
}

}  // namespace zemta::fuzz
