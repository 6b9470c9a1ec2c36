#include "cli/order_argument.h"

#include <climits>
#include <cstdint>

namespace zemta {

namespace {

// Digit value of c in the given base, or -1.
int digit_value(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

}  // namespace

OrderReading read_order(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && is_c_space(text[pos])) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }

  int base = 10;
  bool have_digit = false;
  if (pos < text.size() && text[pos] == '0') {
    if (pos + 1 < text.size() &&
        (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
      base = 16;
      pos += 2;  // "0x" alone converts nothing
    } else {
      base = 8;
      have_digit = true;
      ++pos;
    }
  }

  // Past this magnitude every value saturates, whatever its sign; holding
  // the magnitude below it keeps the accumulation from overflowing.
  constexpr std::int64_t saturated = std::int64_t{INT_MAX} + 2;
  std::int64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = digit_value(text[pos], base);
    if (digit < 0) {
      break;
    }
    have_digit = true;
    magnitude = magnitude * base + digit;
    if (magnitude > saturated) {
      magnitude = saturated;
    }
  }
  if (!have_digit) {
    return {};
  }

  std::int64_t value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) {
    value = INT_MAX;
  } else if (value < INT_MIN) {
    value = INT_MIN;
  }
  return {true, static_cast<int>(value)};
}

}  // namespace zemta
