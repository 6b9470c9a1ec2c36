// zemta-rule's number form (emit/rule_formats.h): the layouts at their
// edges, and every form read back by strtod as the very same double.
#include "emit/rule_formats.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::string text_of(double value, bool hex) {
  char text[zemta::rule_number_capacity];
  return {text, zemta::format_rule_number(value, hex, text)};
}

TEST(RuleNumber, LayoutsAtTheirEdges) {
  const struct {
    double value;
    const char* decimal;
    const char* hex;
  } cases[] = {
      {0.0, "0.0", "0x0p0"},
      {-0.0, "-0.0", "-0x0p0"},
      {1.0, "1.0", "0x1p0"},
      {-0.5, "-0.5", "-0x1p-1"},
      {3.0, "3.0", "0x1.8p1"},
      {0x1.279a74590331cp-1, "0.5773502691896257", "0x1.279a74590331cp-1"},
      {1e-4, "0.0001", "0x1.a36e2eb1c432dp-14"},
      {9.9999999999999991e-5, "9.999999999999999e-5", "0x1.a36e2eb1c432cp-14"},
      {7e-6, "7.0e-6", "0x1.d5c31593e5fb7p-18"},
      {1e16, "1.0e16", "0x1.1c37937e08p53"},
      {9999999999999998.0, "9999999999999998.0", "0x1.1c37937e07fffp53"},
      {123.25, "123.25", "0x1.edp6"},
      {-1e-300, "-1.0e-300", "-0x1.56e1fc2f8f359p-997"},
      {0x0.0000000000001p-1022, "5.0e-324", "0x0.0000000000001p-1022"},
      {-0x1.fffffffffffffp1023, "-1.7976931348623157e308",
       "-0x1.fffffffffffffp1023"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_of(c.value, false), c.decimal) << c.decimal;
    EXPECT_EQ(text_of(c.value, true), c.hex) << c.hex;
  }
}

TEST(RuleNumber, ReadsBackAsTheSameDouble) {
  // Random bit patterns cover every exponent; strtod is the independent
  // reader of both forms.
  std::mt19937_64 random(31);
  for (int i = 0; i < 200000; ++i) {
    const auto value = std::bit_cast<double>(random());
    if (!std::isfinite(value)) {
      continue;
    }
    for (const bool hex : {false, true}) {
      const std::string text = text_of(value, hex);
      ASSERT_LE(text.size(), zemta::rule_number_capacity);
      const double back = std::strtod(text.c_str(), nullptr);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(back),
                std::bit_cast<std::uint64_t>(value))
          << text;
    }
  }
}

}  // namespace
