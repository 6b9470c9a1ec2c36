// Reading the order from the command-line argument.
#pragma once

#include <string_view>

namespace zemta {

struct OrderReading {
  bool converted = false;  // false: no digit could be read
  int value = 0;
};

// Reads an integer the way the C "%i" conversion does: optional leading
// white space, one optional '+' or '-', then hexadecimal digits after "0x" or
// "0X", octal digits after a leading '0' (the '0' itself counts as a digit),
// or decimal digits. Reading stops at the first character that does not
// belong to the number; the rest is ignored.
//
// Examples: "0x1F" -> 31, "010" -> 8, "+6" -> 6, "12abc" -> 12, "08" -> 0,
// " -4" -> -4. Not converted: "abc", "", "-", "0x", "0xg", "+ 5".
//
// Values outside the int range saturate to INT_MAX or INT_MIN instead of
// wrapping, so "4294967298" reads as INT_MAX, never as 2. Any length of
// input is safe.
OrderReading read_order(std::string_view text);

}  // namespace zemta
