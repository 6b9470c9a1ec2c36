#include "emit/format_coefficient.h"

#include <double-conversion/double-to-string.h>

namespace zemta {

namespace {

// Significant digits carried from the double into the text.
constexpr int significant_digits = 17;

// Decimal places written after the point.
constexpr int decimal_places = 19;

}  // namespace

std::array<char, coefficient_width> format_coefficient(double value) noexcept {
  std::array<char, coefficient_width> text;
  // Also false for NaN.
  if (!(value >= 0.0 && value < 10.0)) {
    text.fill('*');
    return text;
  }

  // Stage 1: the 17 significant digits. The value equals
  // 0.d1 d2 ... d_length * 10^point; PRECISION mode rounds halfway cases
  // away from zero, which for non-negative values is upward.
  char digits[significant_digits + 1];
  bool negative = false;
  int length = 0;
  int point = 0;
  double_conversion::DoubleToStringConverter::DoubleToAscii(
      value, double_conversion::DoubleToStringConverter::PRECISION,
      significant_digits, digits, sizeof digits, &negative, &length, &point);

  // Stage 2: place the digits by weight. place[0] is the units digit and
  // place[p] the p-th decimal place; digit k (1-based) of the buffer has
  // weight 10^(point - k), so it lands on place k - point. Digits that the
  // converter left out are zeros, as are the places after the last digit.
  int place[decimal_places + 1] = {};
  int first_cut_digit = 0;
  for (int k = 1; k <= length; ++k) {
    const int p = k - point;
    const int d = digits[k - 1] - '0';
    if (p <= decimal_places) {
      place[p] = d;
    } else if (p == decimal_places + 1) {
      first_cut_digit = d;
    }
  }

  // Below 0.001 the 17 digits run past the last place: round half up on
  // the first digit cut, not on the exact value, and carry leftward. Within
  // the domain the carry stops at the units digit at the latest.
  if (first_cut_digit >= 5) {
    int p = decimal_places;
    while (p > 0 && place[p] == 9) {
      place[p] = 0;
      --p;
    }
    ++place[p];
  }

  text[0] = static_cast<char>('0' + place[0]);
  text[1] = '.';
  for (int p = 1; p <= decimal_places; ++p) {
    text[static_cast<std::size_t>(p) + 1] = static_cast<char>('0' + place[p]);
  }
  return text;
}

}  // namespace zemta
