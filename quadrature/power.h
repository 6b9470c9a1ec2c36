// n^y for the two starting brackets, computed here rather than by the C
// library, whose pow differs by an ulp between platforms for some orders.
#pragma once

namespace zemta::detail {

// Domain of correctly_rounded_pow: integers n in [2, 999] and finite y with
// |y| <= 2, so that |y log n| <= 2 ln 999 < 14 and the result lies far
// inside the normal doubles.
inline constexpr int min_power_base = 2;
inline constexpr int max_power_base = 999;
inline constexpr double max_power_exponent = 2.0;

// Relative error of the internal evaluation of n^y (derived in power.cpp).
// The result is correctly rounded unless n^y lies within this relative
// distance of a midpoint between two adjacent doubles.
inline constexpr double power_error_bound = 0x1p-93;

// n^y rounded to the nearest double (ties to even), computed as
// exp(y log n) in double-double arithmetic from IEEE double additions and
// multiplications: no transcendental library function, no fused
// multiply-add, no wider format, so every platform returns the same bits.
// The only library calls, std::round and std::ldexp, are exact.
//
// Guarantees, inside the domain: the result is one of the two doubles
// adjacent to n^y, and it is the nearest one whenever n^y is farther than
// power_error_bound * n^y from the midpoint between them. The tests check
// the result against 200-bit arithmetic for every n of the domain with the
// bracket exponents (0.94 and 1.9) and with y = -2, -1, 0, 1 and 2, and for
// 5000 random (n, y) of the domain: each was correctly rounded.
//
// Examples: correctly_rounded_pow(4, 0.5) == 2.0 and
//           correctly_rounded_pow(430, 0.94) == 0x1.2adad94122a96p+8
//           (298.85487753959876).
//
// Fails silently outside the domain (the result is then unspecified);
// never allocates, never sets errno.
double correctly_rounded_pow(int n, double y);

}  // namespace zemta::detail
