// shortest_digits (rule/emit/shortest_digits.h) against std::to_chars'
// scientific shortest form, the independent reference natively: every
// value zemta-rule writes, random bit patterns over all exponents, and the
// edges where digit generation goes wrong (powers of two with their
// narrower lower gap, subnormals, ties, the largest double).
#include "rule/emit/shortest_digits.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "quadrature/coefficients.h"
#include "rule/quadrature/correctly_rounded.h"

namespace {

// "d.ddde+XX" as the digits without the point, then "e" and the exponent:
// the two sides in the same shape.
std::string reference(double value) {
  char text[40];
  const char* const end = std::to_chars(text, text + sizeof text, value,
                                        std::chars_format::scientific)
                              .ptr;
  std::string digits;
  int exponent = 0;
  const char* at = text;
  if (*at == '-') {
    digits += '-';
    ++at;
  }
  for (; *at != 'e'; ++at) {
    if (*at != '.') {
      digits += *at;
    }
  }
  ++at;
  if (*at == '+') {
    ++at;
  }
  std::from_chars(at, end, exponent);
  return digits + "e" + std::to_string(exponent);
}

std::string ours(double value) {
  const zemta::ShortestDigits s = zemta::shortest_digits(value);
  return std::string(s.negative ? "-" : "") +
         std::string(s.digits.data(), s.count) + "e" +
         std::to_string(s.exponent);
}

// The failures, each with the raw bits; at most a few reported.
void expect_all_match(const std::vector<double>& values) {
  int failures = 0;
  for (const double v : values) {
    const std::string want = reference(v);
    const std::string got = ours(v);
    if (want != got && ++failures <= 10) {
      ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<std::uint64_t>(v)
                    << ": to_chars " << want << ", shortest_digits " << got;
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(ShortestDigits, MatchesToCharsOnEveryRuleValue) {
  std::vector<double> values;
  std::vector<double> nodes(zemta::max_order);
  std::vector<double> weights(zemta::max_order);
  for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
    ASSERT_EQ(zemta::correctly_rounded_rule(n, nodes.data(), weights.data()),
              n);
    values.insert(values.end(), nodes.begin(), nodes.begin() + n);
    values.insert(values.end(), weights.begin(), weights.begin() + n);
  }
  expect_all_match(values);
}

TEST(ShortestDigits, MatchesToCharsOnRandomBits) {
  constexpr int count = 3'000'000;
  std::mt19937_64 random(20261209);
  std::vector<double> values;
  values.reserve(count);
  while (values.size() < count) {
    const std::uint64_t bits = random();
    if ((bits >> 52 & 0x7ff) != 0x7ff) {  // finite
      values.push_back(std::bit_cast<double>(bits));
    }
  }
  expect_all_match(values);
}

TEST(ShortestDigits, MatchesToCharsAtTheEdges) {
  std::vector<double> values = {0.0,     -0.0,   0.1,      0.2,
                                0.3,     5e-324, DBL_MAX,  -DBL_MAX,
                                DBL_MIN, 1e23,   9e15,     1e16,
                                1e-4,    7e-6,   2.5,      0.125,
                                1e21,    5e22,   1.5e-323, DBL_MIN - 5e-324};
  // Every power of two, and its neighbours on both sides, where the gap
  // below is half the gap above.
  for (int e = -1074; e <= 1023; ++e) {
    const auto bits = std::bit_cast<std::uint64_t>(std::ldexp(1.0, e));
    for (const std::uint64_t b : {bits - 1, bits, bits + 1}) {
      values.push_back(std::bit_cast<double>(b));
    }
  }
  // Integers, and exact decimal ties: m / 2^j has a last decimal digit 5,
  // so its digits one place shorter are halfway between two candidates.
  for (std::uint64_t i = 1; i < 100'000; i += 7) {
    values.push_back(static_cast<double>(i));
    values.push_back(static_cast<double>(i * 1'000'000'007ULL));
    for (const int j : {1, 2, 3, 10, 20, 30}) {
      values.push_back(std::ldexp(static_cast<double>(i), -j));
      values.push_back(std::ldexp(static_cast<double>((1ULL << 53) - i), -j));
      values.push_back(std::ldexp(static_cast<double>((1ULL << 53) - i), j));
    }
  }
  expect_all_match(values);
}

}  // namespace
