#include "emit/format_coefficient.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "exact_decimal.h"
#include "support/memory_stream.h"

namespace zemta {
namespace {

using testing::hex;

std::string formatted(double value) {
  const auto text = format_coefficient(value);
  return {text.data(), text.size()};
}

// The formatter against the exact-decimal reference; stops the caller's
// sweep after a few reports.
::testing::AssertionResult matches_reference(double value) {
  const std::string expected =
      reference::expected_coefficient_text(reference::exact_decimal(value));
  const std::string actual = formatted(value);
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << hex(value) << " gives \"" << actual
                                       << "\", expected \"" << expected << "\"";
}

struct KnownText {
  const char* fault;
  double value;
  const char* text;
};

// Texts worked out by hand from each double's exact decimal expansion.
const KnownText known_texts[] = {
    {"nearest 1/sqrt(3): 17 digits then zeros, not its further digits",
     0x1.279a74590331cp-1, "0.5773502691896257300"},
    {"one half", 0.5, "0.5000000000000000000"},
    {"zero", 0.0, "0.0000000000000000000"},
    {"negative zero loses its sign", -0.0, "0.0000000000000000000"},
    {"one", 1.0, "1.0000000000000000000"},
    {"largest double below 10 keeps the field width", 0x1.3ffffffffffffp+3,
     "9.9999999999999982000"},
    {"[0.1, 1): sqrt(0.6)", 0x1.8c97ef43f7248p-1, "0.7745966692414834000"},
    {"[0.1, 1): 8/9", 0x1.c71c71c71c71cp-1, "0.8888888888888888400"},
    {"[0.01, 0.1): 0.05 ends in one zero", 0.05, "0.0500000000000000030"},
    {"[0.01, 0.1): rounding carries across five nines", 0x1.86e14740f95dcp-4,
     "0.0954296859123000000"},
    {"[0.001, 0.01): 0.005 fills all 19 places", 0.005,
     "0.0050000000000000001"},
    {"halfway case 1049/2^20 rounds up", 1049.0 / 1048576.0,
     "0.0010004043579101563"},
    {"below 0.001: cut digit below 5 is dropped", 0.0005,
     "0.0005000000000000000"},
    {"below 0.001: rounded from the 17 digits ...435, not the exact "
     "...4348",
     0x1.88e4e3e590ce0p-11, "0.0007493860291067044"},
    {"below 0.001: carry ripples into 0.0001", 0x1.a36e2eb1c432cp-14,
     "0.0001000000000000000"},
    {"below 0.001: carry ripples into 0.00001", 0x1.4f8b588e368fp-17,
     "0.0000100000000000000"},
    {"far below 0.001: only the first cut digit counts", 6e-20,
     "0.0000000000000000001"},
    {"far below 0.001: rounds to zero", 1e-20, "0.0000000000000000000"},
    {"smallest subnormal: the widest scaling of all", 0x1p-1074,
     "0.0000000000000000000"},
};

TEST(FormatCoefficient, KnownTexts) {
  for (const auto& c : known_texts) {
    EXPECT_EQ(formatted(c.value), c.text)
        << c.fault << " (" << hex(c.value) << ")";
  }
}

TEST(FormatCoefficient, OutOfDomainFillsTheFieldWithStars) {
  const std::string stars(coefficient_width, '*');
  for (double value :
       {10.0, -0x1p-1074, -1.0, std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(formatted(value), stars) << hex(value);
  }
}

// Every odd multiple of 2^-j has exactly j decimal places ending in 5; in
// the decade chosen for j that is 18 significant digits, so each one is a
// halfway case for the 17-digit rounding. Below 0.001 the rounded-up digit
// then decides the cut as well.
TEST(FormatCoefficient, HalfwayCasesRoundUpInEveryLayout) {
  struct Decade {
    int j;
    double low, high;
  };
  for (const Decade d : {Decade{18, 0.1, 1.0}, Decade{19, 0.01, 0.1},
                         Decade{20, 0.001, 0.01}, Decade{21, 1e-4, 1e-3}}) {
    const double unit = std::ldexp(1.0, -d.j);
    int failures = 0;
    for (auto k = static_cast<std::int64_t>(std::ceil(d.low / unit)) | 1;
         static_cast<double>(k) * unit < d.high && failures < 5; k += 2) {
      const double value = static_cast<double>(k) * unit;
      const auto result = matches_reference(value);
      EXPECT_TRUE(result);
      failures += result ? 0 : 1;
    }
  }
}

// Uniform over the bit patterns of each range, so every decade from 1e-7
// up gets its share, including the cut-and-carry range below 0.001. The
// second range straddles 2^-36, where the digits change from 64-bit to wide
// integer arithmetic, and reaches down to 2^-70, below the smallest value
// with a digit in the 19 places; the third is the rest of the domain.
TEST(FormatCoefficient, RandomDoublesMatchExactDecimalReference) {
  struct Range {
    double low, high;
    int samples;
  };
  for (const Range r :
       {Range{1e-7, 1.0, 200000}, Range{0x1p-70, 0x1p-32, 20000},
        Range{1.0, 10.0, 20000}}) {
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<std::uint64_t> bits(
        std::bit_cast<std::uint64_t>(r.low),
        std::bit_cast<std::uint64_t>(r.high) - 1);
    int failures = 0;
    for (int i = 0; i < r.samples && failures < 5; ++i) {
      const auto result =
          matches_reference(std::bit_cast<double>(bits(random)));
      EXPECT_TRUE(result);
      failures += result ? 0 : 1;
    }
  }
}

}  // namespace
}  // namespace zemta
