// The engine's eigenvalue counts in double-double with a rigorous error
// bound: the same certain answers as the ball counts (tridiagonal_rule.cpp)
// about a hundred times faster, or "undecided" when the bound cannot
// decide a sign, and the engine asks the balls. Internal to the quadrature
// library.
//
// Each pivot is a double-double midpoint with a double radius: d_0 = a_0 -
// z, d_j = (a_j - z) - b2_{j-1} / d_{j-1}. The operations of
// common/double_double.h are the algorithms of Joldes, Muller and Popescu
// (2017): add is AccurateDWPlusDW, relative error <= 3u^2 + 13u^3; div is
// DWDivDW2, <= 15u^2 + 56u^3 (u = 2^-53). Both are taken as at most
// fast_count_operation_error = 2^-99 (about 50 u^2: a factor 3 of margin),
// valid when no operand or result underflows or overflows: every magnitude
// is held in [2^-400, 2^400] (or exactly 0 for a - z), or the count is
// undecided. The radius follows the midpoint-radius rules with each
// double step's rounding covered by a factor 1 + 2^-40 (a handful of
// roundings of 2^-53 each), and a pivot is decided only when its radius is
// below half its magnitude, so that |d| - r never cancels.
#pragma once

#include <cstddef>
#include <vector>

#include "common/double_double.h"
#include "rule/quadrature/ball.h"

namespace zemta::detail {

inline constexpr double fast_count_operation_error = 0x1p-99;
// Covers the roundings of a radius computed in a few double operations on
// non-negative numbers (each within 2^-53 relative).
inline constexpr double fast_radius_slack = 1.0 + 0x1p-40;
// The weight pass's rescaling: past this magnitude a running product and
// its sum are multiplied by 2^-fast_rescale_bits.
inline constexpr double fast_rescale_above = 0x1p200;
inline constexpr int fast_rescale_bits = 200;
inline constexpr double fast_count_least = 0x1p-400;
inline constexpr double fast_count_most = 0x1p400;

// A value known to lie within rad of mid.hi + mid.lo.
struct DdInterval {
  Dd mid;
  double rad;
};

// T's entries as intervals (an empty vector if one is out of range).
struct FastCountMatrix {
  std::vector<DdInterval> a;
  std::vector<DdInterval> b2;
  std::vector<DdInterval> inverse_b2;  // 1 / b2[j], for the weight's pass
};

// The enclosure of a ball as a DdInterval; false if out of range.
bool dd_interval_from_ball(const Ball& x, DdInterval* out);
// An exact point as a DdInterval; false if out of range.
bool dd_interval_from_dyadic(const Dyadic& z, DdInterval* out);

// Both vectors empty when an entry does not fit.
FastCountMatrix fast_count_matrix(const std::vector<Ball>& a,
                                  const std::vector<Ball>& b2);

// The number of eigenvalues below the exact point z, certain, or -1 when
// undecided (a pivot too near 0 for the bound, or out of range).
int fast_count(const FastCountMatrix& t, const Dyadic& z);

// counts[0] = fast_count(t, z0) and counts[1] = fast_count(t, z1), the
// same answers, from one pass over the rows with the two points side by
// side in vector lanes: about the cost of one count.
void fast_count_pair(const FastCountMatrix& t, const Dyadic& z0,
                     const Dyadic& z1, int* counts);

// The engine's weight pass (inverse_first_square in tridiagonal_rule.cpp,
// which has the derivation) in the same arithmetic, over every point of z
// with twist row r: a ball enclosing 1 / u_0^2, or a whole ball when
// undecided. Unlike the balls' pass it steps over a pivot that may vanish,
// two rows at once (fast_count.cpp, SquaresWalk), and multiplies the squares
// by 1 / b2 (inverse_b2, a 128-bit ball of it made with the matrix) rather
// than dividing them by b2. The squares and their sums
// carry a power of two apart (they reach 2^3000), rescaled exactly; products
// and quotients follow |xy - XY| <= |x| r_Y + |y| r_X + r_X r_Y and the
// quotient rule above, each with its operation's error (mul is DWTimesDW1,
// <= 7u^2, within the same 2^-99).
Ball fast_inverse_first_square(const FastCountMatrix& t, const Dyadic& centre,
                               const Dyadic& half_width, std::size_t r);

}  // namespace zemta::detail
