#pragma once

#include <array>
#include <cstddef>

namespace zemta {

// Width of the text of one coefficient: one integer digit, the point and
// 19 decimal places. Every number the program writes fills it exactly.
inline constexpr std::size_t coefficient_width = 21;

// The fixed decimal form in which every abscissa, weight and raw-list value
// is written.
//
// Domain: any double in [0, 10) (-0.0 is written like 0.0). Every value the
// program writes lies in [0, 1]. Outside the domain (negative, 10 or more,
// infinite or NaN) the text is 21 '*' characters, the way FORTRAN marks a
// number that does not fit its field, so that it cannot pass for a number.
//
// Rounding, in two stages:
//  1. The value is rounded to 17 significant decimal digits, to nearest;
//     a value exactly halfway between two 17-digit decimals rounds up.
//  2. That decimal is written in fixed notation: the integer digit, '.' and
//     exactly 19 decimal places. For values of 0.001 and more they end at or
//     before the 19th place and the places after them are '0' (the further
//     digits of the double's exact value are not written). Below 0.001 the
//     17-digit decimal is cut after the 19th place and rounded half up on
//     the first cut digit alone, the carry running leftward. Such a value
//     is rounded twice: an exact value of 0.000123456789012345649... gives
//     the 17 digits 0.00012345678901234565 and then 0.0001234567890123457,
//     although it lies nearer to 0.0001234567890123456.
//
// Which layout applies follows the 17-digit decimal, not the value.
//
// Examples (the text is not null-terminated):
//   0.5                   -> "0.5000000000000000000"
//   0x1.279a74590331cp-1  -> "0.5773502691896257300"
//                            (the double nearest 1/sqrt(3), exactly
//                            0.57735026918962573105...: 17 digits, then 0s)
//   1049.0 / 1048576.0    -> "0.0010004043579101563"
//                            (exactly 0.00100040435791015625, a halfway case)
//   0.0                   -> "0.0000000000000000000"
//
// Allocates nothing and never fails.
std::array<char, coefficient_width> format_coefficient(double value) noexcept;

}  // namespace zemta
