// Exact binary arithmetic on integers of any size and on dyadic numbers
// m * 2^e, for the correctly rounded rule's slow path: sums and products
// are exact, and a dyadic rounds once to the nearest double (ties to
// even) at the double's own quantum, 2^-1074 for subnormals. Internal to
// the quadrature library.
//
// Integers are sign and magnitude, 32-bit limbs least significant first,
// with 64-bit products: the same bits on every platform, no wider
// integer type needed. Allocates (std::vector); nothing here throws but
// the allocation.
#pragma once

#include <cstdint>
#include <vector>

namespace zemta::detail {

struct BigInt {
  // The magnitude, least significant limb first, no leading zero limb: 0
  // is the empty vector (and never negative).
  std::vector<std::uint32_t> limbs;
  bool negative = false;
};

BigInt big_from_u64(std::uint64_t v);
BigInt big_add(const BigInt& a, const BigInt& b);
BigInt big_sub(const BigInt& a, const BigInt& b);
BigInt big_mul(const BigInt& a, const BigInt& b);
BigInt big_mul_small(const BigInt& a, std::uint32_t m);
// a / m truncated toward zero; m > 0.
BigInt big_div_small(const BigInt& a, std::uint32_t m);
BigInt big_shift_left(const BigInt& a, int bits);
// a / 2^bits truncated toward zero.
BigInt big_shift_right(const BigInt& a, int bits);
// floor(a / b) for a >= 0 and b > 0, by binary long division.
BigInt big_div_floor(const BigInt& a, const BigInt& b);
// -1, 0 or 1.
int big_sign(const BigInt& a);
// Bits of the magnitude: 0 for 0, else floor(log2 |a|) + 1.
int big_bit_length(const BigInt& a);
// Whether any of the bits below bit (counted from 0) of the limbs v (least
// significant first) is 1.
bool any_bit_below(const std::vector<std::uint32_t>& v, int bit);

// mantissa * 2^exponent, exactly.
struct Dyadic {
  BigInt mantissa;
  int exponent = 0;
};

// Every finite double is a dyadic.
Dyadic dyadic_from_double(double v);
Dyadic dyadic_add(const Dyadic& a, const Dyadic& b);
Dyadic dyadic_mul(const Dyadic& a, const Dyadic& b);
// The integer trunc(v * 2^bits), toward zero.
BigInt dyadic_to_fixed(const Dyadic& v, int bits);

// The double nearest v, ties to even, at the quantum of its binade and
// never below 2^-1074 (so a value under 2^-1075 in magnitude is 0, and
// 2^-1075 itself, a tie, is 0 too); infinity past DBL_MAX's rounding
// boundary. -0 for a negative value that rounds to 0.
double dyadic_round(const Dyadic& v);

}  // namespace zemta::detail
