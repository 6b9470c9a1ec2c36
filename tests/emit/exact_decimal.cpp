#include "exact_decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zemta::reference {

namespace {

// Decimal digits, least significant first.
using Digits = std::vector<std::uint64_t>;

void multiply(Digits& digits, std::uint64_t factor) {
  std::uint64_t carry = 0;
  for (auto& d : digits) {
    const std::uint64_t product = d * factor + carry;
    d = product % 10;
    carry = product / 10;
  }
  for (; carry != 0; carry /= 10) {
    digits.push_back(carry % 10);
  }
}

// Adds one unit in the last place of the digits before `end` (skipping the
// point), prepending a '1' when the carry runs out of digits.
std::string increment(std::string s, std::size_t end) {
  for (std::size_t i = end; i-- > 0;) {
    if (s[i] == '.') {
      continue;
    }
    if (s[i] != '9') {
      ++s[i];
      return s;
    }
    s[i] = '0';
  }
  return "1" + s;
}

}  // namespace

std::string exact_decimal(double value) {
  // value = mantissa * 2^exponent with an integer mantissa.
  int exponent = 0;
  const double fraction = std::frexp(value, &exponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  exponent -= 53;

  Digits digits;
  for (; mantissa != 0; mantissa /= 10) {
    digits.push_back(mantissa % 10);
  }
  if (digits.empty()) {
    digits.push_back(0);
  }

  // m * 2^-e = m * 5^e / 10^e: multiply by 5 (13 at a time) and place the
  // point e digits from the right.
  int places = 0;
  while (exponent < 0) {
    const int step = std::min(-exponent, 13);
    std::uint64_t factor = 1;
    for (int i = 0; i < step; ++i) {
      factor *= 5;
    }
    multiply(digits, factor);
    exponent += step;
    places += step;
  }
  for (; exponent > 0; --exponent) {
    multiply(digits, 2);
  }

  while (digits.size() <= static_cast<std::size_t>(places)) {
    digits.push_back(0);
  }
  std::string text;
  for (std::size_t i = digits.size(); i-- > 0;) {
    text += static_cast<char>('0' + digits[i]);
    if (i == static_cast<std::size_t>(places) && places > 0) {
      text += '.';
    }
  }
  return text;
}

std::string expected_coefficient_text(const std::string& fixed) {
  std::string s = fixed;
  if (s.find('.') == std::string::npos) {
    s += '.';
  }

  // 17 significant digits, half up: find where the 18th digit sits.
  std::size_t counted = 0;
  std::size_t cut = s.size();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '.' || (counted == 0 && s[i] == '0')) {
      continue;
    }
    if (++counted == 18) {
      cut = i;
      break;
    }
  }
  if (cut < s.size()) {
    const bool up = s[cut] >= '5';
    for (std::size_t i = cut; i < s.size(); ++i) {
      if (s[i] != '.') {
        s[i] = '0';
      }
    }
    if (up) {
      s = increment(s, cut);
    }
  }

  // 19 places, half up on the first digit past them.
  const std::size_t point = s.find('.');
  while (s.size() < point + 21) {
    s += '0';
  }
  if (s[point + 20] >= '5') {
    s = increment(s, point + 20);
  }
  s.resize(s.find('.') + 20);

  // Leading zeros of the integer part go, except the last.
  while (s.size() > 1 && s[0] == '0' && s[1] != '.') {
    s.erase(0, 1);
  }
  return s;
}

}  // namespace zemta::reference
