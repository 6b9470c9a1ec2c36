// The "%i"-style reader of the order argument.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "cli/order_argument.h"

namespace zemta {
namespace {

struct Reading {
  std::string text;
  bool converted;
  int value;
};

TEST(ReadOrder, ReadsLikeTheCIntegerConversion) {
  const Reading cases[] = {
      {"2", true, 2},       {"999", true, 999},  {"0x1F", true, 31},
      {"0X1f", true, 31},   {"010", true, 8},    {"+6", true, 6},
      {"-4", true, -4},     {"12abc", true, 12}, {"08", true, 0},
      {"0", true, 0},       {"-0", true, 0},     {"  \t\n\v\f\r20", true, 20},
      {"-0x10", true, -16}, {"0x1Fg", true, 31}, {"7 8", true, 7},
      {"abc", false, 0},    {"", false, 0},      {"-", false, 0},
      {"+", false, 0},      {"0x", false, 0},    {"0xg", false, 0},
      {"-0x", false, 0},    {"+ 5", false, 0},   {"--5", false, 0},
      {"   ", false, 0},    {"x1", false, 0},
  };
  for (const auto& c : cases) {
    const OrderReading r = read_order(c.text);
    EXPECT_EQ(r.converted, c.converted) << '"' << c.text << '"';
    if (c.converted) {
      EXPECT_EQ(r.value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST(ReadOrder, OutOfRangeSaturatesInsteadOfWrapping) {
  const Reading cases[] = {
      {"2147483647", true, INT_MAX},
      {"2147483648", true, INT_MAX},
      {"4294967298", true, INT_MAX},
      {"0x100000002", true, INT_MAX},
      {"040000000002", true, INT_MAX},
      {"-2147483648", true, INT_MIN},
      {"-2147483649", true, INT_MIN},
      {"-4294967294", true, INT_MIN},
      {"18446744073709551618", true, INT_MAX},
      {std::string(5000, '9'), true, INT_MAX},
      {"-" + std::string(5000, '7'), true, INT_MIN},
      {"0x" + std::string(3000, 'f'), true, INT_MAX},
  };
  for (const auto& c : cases) {
    const OrderReading r = read_order(c.text);
    EXPECT_TRUE(r.converted) << c.text.substr(0, 40);
    EXPECT_EQ(r.value, c.value) << c.text.substr(0, 40);
  }
}

TEST(ReadOrder, EmbeddedNulAndHighBytesEndTheNumber) {
  EXPECT_EQ(read_order(std::string("12\0"
                                   "34",
                                   5))
                .value,
            12);
  EXPECT_EQ(read_order("5\xff\xfe").value, 5);
  EXPECT_FALSE(read_order("\xc3\xa9"
                          "5")
                   .converted);
}

}  // namespace
}  // namespace zemta
