#include "rule/quadrature/fast_count.h"

#include <cmath>
#include <cstddef>

#include "rule/quadrature/lane_pair.h"

namespace zemta::detail {
namespace {

// The precision of 1 / b2's ball, finer than a double-double.
constexpr int inverse_bits = 128;

// Covers the roundings of a radius computed in a few double operations on
// non-negative numbers (each within 2^-53 relative).
constexpr double radius_slack = 1.0 + 0x1p-40;

bool in_range(double v) {
  const double m = std::fabs(v);
  return m >= fast_count_least && m <= fast_count_most;
}

// v = hi + lo + residual exactly; the residual's magnitude rounded up.
bool split_dyadic(const Dyadic& v, Dd* out, double* residual) {
  const double hi = dyadic_round(v);
  if (hi == 0.0) {
    *out = {0.0, 0.0};
    *residual = 0.0;
    return big_sign(v.mantissa) == 0;
  }
  if (!in_range(hi)) {
    return false;
  }
  const Dyadic rest = dyadic_add(v, dyadic_from_double(-hi));
  const double lo = dyadic_round(rest);
  const double r =
      std::fabs(dyadic_round(dyadic_add(rest, dyadic_from_double(-lo))));
  // dyadic_round is within half an ulp (or 2^-1075) of the residual.
  *residual = r * 2.0 + 0x1p-1074;
  *out = {hi, lo};
  return true;
}

}  // namespace

bool dd_interval_from_ball(const Ball& x, DdInterval* out) {
  if (x.whole) {
    return false;
  }
  double residual = 0.0;
  if (!split_dyadic(x.mid, &out->mid, &residual)) {
    return false;
  }
  double rad = 0.0;
  if (x.rad.mantissa != 0) {
    if (x.rad.exponent > 400) {
      return false;
    }
    // A 32-bit mantissa times a power of two: exact unless it underflows,
    // and then 2^-1000 is above it.
    rad = x.rad.exponent < -1000
              ? 0x1p-1000
              : std::ldexp(static_cast<double>(x.rad.mantissa), x.rad.exponent);
  }
  out->rad = (rad + residual) * radius_slack;
  return true;
}

bool dd_interval_from_dyadic(const Dyadic& z, DdInterval* out) {
  double residual = 0.0;
  if (!split_dyadic(z, &out->mid, &residual)) {
    return false;
  }
  out->rad = residual;
  return true;
}

FastCountMatrix fast_count_matrix(const std::vector<Ball>& a,
                                  const std::vector<Ball>& b2) {
  FastCountMatrix t;
  t.a.resize(a.size());
  t.b2.resize(b2.size());
  bool ok = true;
  for (std::size_t j = 0; j < a.size() && ok; ++j) {
    ok = dd_interval_from_ball(a[j], &t.a[j]);
  }
  t.inverse_b2.resize(b2.size());
  for (std::size_t j = 0; j < b2.size() && ok; ++j) {
    ok = dd_interval_from_ball(b2[j], &t.b2[j]) && t.b2[j].mid.hi > 0.0 &&
         dd_interval_from_ball(ball_div(ball_from_int(1), b2[j], inverse_bits),
                               &t.inverse_b2[j]);
  }
  if (!ok) {
    t.a.clear();
    t.b2.clear();
    t.inverse_b2.clear();
  }
  return t;
}

namespace {

PairMask pair_in_range(Pair v) {
  const Pair m = pair_abs(v);
  return (m >= fast_count_least) & (m <= fast_count_most);
}

}  // namespace

// Each lane is a count on its own (lane_pair.h); a lane that becomes
// undecided is only masked, so its answer is the one its point would get
// alone.
void fast_count_pair(const FastCountMatrix& t, const Dyadic& z0,
                     const Dyadic& z1, int* counts) {
  counts[0] = -1;
  counts[1] = -1;
  if (t.a.empty()) {
    return;
  }
  DdInterval zi[2] = {};
  const bool ok0 = dd_interval_from_dyadic(z0, &zi[0]);
  const bool ok1 = dd_interval_from_dyadic(z1, &zi[1]);
  if (!ok0 && !ok1) {
    return;
  }
  const DdPair z{{zi[0].mid.hi, zi[1].mid.hi}, {zi[0].mid.lo, zi[1].mid.lo}};
  const Pair z_rad{zi[0].rad, zi[1].rad};
  const double e = fast_count_operation_error;
  PairMask failed{ok0 ? 0 : -1, ok1 ? 0 : -1};
  PairMask negative{};
  DdPair d{};
  Pair d_rad{};
  for (std::size_t j = 0; j < t.a.size(); ++j) {
    const DdPair shifted = sub(broadcast(t.a[j].mid), z);
    failed |= (shifted.hi != 0.0) & ~pair_in_range(shifted.hi);
    Pair rad = t.a[j].rad + z_rad + pair_abs(shifted.hi) * 2.0 * e;
    DdPair pivot = shifted;
    if (j > 0) {
      // b2_{j-1} / d_{j-1}: |b2/d - B/D| <= (|b2| r_d + |d| r_b) / (|d| (|d|
      // - r_d)) for |B - b2| <= r_b, |D - d| <= r_d; and the division's own
      // error. |x| <= |x.hi| (1 + 2^-52) for a double-double x.
      const DdInterval& b = t.b2[j - 1];
      const DdPair q = div(broadcast(b.mid), d);
      failed |= ~pair_in_range(q.hi);
      const Pair d_above = pair_abs(d.hi) * (1.0 + 0x1p-52);
      const Pair dm = pair_abs(d.hi) * (1.0 - 0x1p-52);
      const double bm = std::fabs(b.mid.hi) * (1.0 + 0x1p-52);
      const Pair rq = (bm * d_rad + d_above * b.rad) / (dm * (dm - d_rad)) +
                      pair_abs(q.hi) * 2.0 * e;
      pivot = sub(shifted, q);
      failed |= (pivot.hi != 0.0) & ~pair_in_range(pivot.hi);
      rad += rq + pair_abs(pivot.hi) * 2.0 * e;
    }
    d = pivot;
    d_rad = rad * radius_slack;
    // Decided only with the radius below half the magnitude.
    failed |= ~(d_rad < pair_abs(d.hi) * 0.5) | ~pair_in_range(d.hi);
    if (failed[0] != 0 && failed[1] != 0) {
      return;
    }
    negative -= d.hi < 0.0;
  }
  for (int i = 0; i < 2; ++i) {
    if (failed[i] == 0) {
      counts[i] = static_cast<int>(negative[i]);
    }
  }
}

int fast_count(const FastCountMatrix& t, const Dyadic& z) {
  int counts[2];
  fast_count_pair(t, z, z, counts);
  return counts[0];
}

namespace {

// Interval operations; false when a result leaves the range or a divisor
// is not decided.
bool checked(const Dd& v) { return v.hi == 0.0 || in_range(v.hi); }

bool interval_sub(const DdInterval& x, const DdInterval& y, DdInterval* out) {
  const Dd v = sub(x.mid, y.mid);
  out->rad =
      (x.rad + y.rad + std::fabs(v.hi) * 2.0 * fast_count_operation_error) *
      radius_slack;
  out->mid = v;
  return checked(v);
}

bool interval_add(const DdInterval& x, const DdInterval& y, DdInterval* out) {
  const Dd v = add(x.mid, y.mid);
  out->rad =
      (x.rad + y.rad + std::fabs(v.hi) * 2.0 * fast_count_operation_error) *
      radius_slack;
  out->mid = v;
  return checked(v);
}

bool interval_mul(const DdInterval& x, const DdInterval& y, DdInterval* out) {
  const Dd v = mul(x.mid, y.mid);
  const double xm = std::fabs(x.mid.hi) * (1.0 + 0x1p-52);
  const double ym = std::fabs(y.mid.hi) * (1.0 + 0x1p-52);
  out->rad = (xm * y.rad + ym * x.rad + x.rad * y.rad +
              std::fabs(v.hi) * 2.0 * fast_count_operation_error) *
             radius_slack;
  out->mid = v;
  return checked(v);
}

bool decided(const DdInterval& x) {
  return in_range(x.mid.hi) && x.rad < std::fabs(x.mid.hi) * 0.5;
}

bool interval_div(const DdInterval& x, const DdInterval& y, DdInterval* out) {
  if (!decided(y)) {
    return false;
  }
  const Dd v = div(x.mid, y.mid);
  const double xm = std::fabs(x.mid.hi) * (1.0 + 0x1p-52);
  // |x/y - X/Y| <= (|x| r_Y + |y| r_X) / (|y| (|y| - r_Y)): |y| bounded
  // above in the numerator, below in the denominator.
  const double y_above = std::fabs(y.mid.hi) * (1.0 + 0x1p-52);
  const double ym = std::fabs(y.mid.hi) * (1.0 - 0x1p-52);
  out->rad = ((xm * y.rad + y_above * x.rad) / (ym * (ym - y.rad)) +
              std::fabs(v.hi) * 2.0 * fast_count_operation_error) *
             radius_slack;
  out->mid = v;
  return checked(v);
}

// x times 2^e, exactly (no part leaves the normal range: callers scale
// values of magnitude above 2^200 down by 2^200).
DdInterval scaled(const DdInterval& x, int e) {
  return {{std::ldexp(x.mid.hi, e), std::ldexp(x.mid.lo, e)},
          std::ldexp(x.rad, e)};
}

// Rescaling: past this magnitude a running product and its sum are
// multiplied by 2^-rescale_bits.
constexpr double rescale_above = 0x1p200;
constexpr int rescale_bits = 200;

// (a_j - z) - b2 / previous, the pivot recurrence.
bool next_pivot(const DdInterval& a, const DdInterval& z, const DdInterval& b2,
                const DdInterval& previous, DdInterval* out) {
  DdInterval shifted;
  DdInterval q;
  return interval_sub(a, z, &shifted) && interval_div(b2, previous, &q) &&
         interval_sub(shifted, q, out);
}

// square * d^2 / b2, by 1 / b2 (a product, not a quotient, on the
// squares' chain).
bool next_square(const DdInterval& square, const DdInterval& d,
                 const DdInterval& inverse_b2, DdInterval* out) {
  DdInterval d2;
  DdInterval p;
  return interval_mul(d, d, &d2) && interval_mul(square, d2, &p) &&
         interval_mul(p, inverse_b2, out);
}

Dyadic dyadic_of_interval_mid(const DdInterval& x, int e) {
  Dyadic v =
      dyadic_add(dyadic_from_double(x.mid.hi), dyadic_from_double(x.mid.lo));
  v.exponent += e;
  return v;
}

// One side's walk of the weight pass, row by row away from its start:
// the pivots p (d_j top-down, delta_j bottom-up), the squares of the
// eigenvector's components, s_next = s p^2 / b2 for the b2 joining a row
// to the next. A pivot that may vanish (an eigenvalue of the block it
// closes at the node, as where Kronrod's leading and trailing blocks share
// the Gauss nodes) is not divided by: the next row's pivot is then a pole,
// and the two rows are stepped at once through g = p_i p_{i+1} = (a_{i+1}
// - z) p_i - b2_i (b2_i joining them), with s_{i+2} = s_i g^2 / (b2_i
// b2_{i+1}) and p_{i+2} = (a_{i+2} - z) - b2_{i+1} p_i / g; g is near -b2_i
// where p_i is near 0, so it is decided there.
class SquaresWalk {
 public:
  SquaresWalk(const DdInterval& a, const DdInterval& z)
      : ok_(interval_sub(a, z, &pivot_)) {}

  // The square of the next row, s p^2 / b2 with b2 joining to it, from
  // square (this row's) and 1 / b2; false when undecided.
  bool next_square(const DdInterval& square, const DdInterval& inverse_b2,
                   DdInterval* out) {
    if (!ok_) {
      return false;
    }
    previous_ = square;
    if (!pole_) {
      return ::zemta::detail::next_square(square, pivot_, inverse_b2, out);
    }
    // s_{i+2} = s_i g^2 / (b2_i b2_{i+1}), s_i the square before.
    DdInterval g2;
    DdInterval p;
    DdInterval q;
    return interval_mul(g_, g_, &g2) && interval_mul(before_, g2, &p) &&
           interval_div(p, b2_before_, &q) && interval_mul(q, inverse_b2, out);
  }

  // Moves to the next row, of diagonal a, joined to this one by b2.
  bool step(const DdInterval& a, const DdInterval& z, const DdInterval& b2) {
    if (!ok_) {
      return false;
    }
    if (pole_) {
      // p_{i+2} = (a_{i+2} - z) - b2_{i+1} p_i / g.
      DdInterval shifted;
      DdInterval num;
      DdInterval q;
      pole_ = false;
      ok_ = interval_sub(a, z, &shifted) &&
            interval_mul(b2, before_pivot_, &num) &&
            interval_div(num, g_, &q) && interval_sub(shifted, q, &pivot_);
      return ok_;
    }
    if (decided(pivot_)) {
      ok_ = next_pivot(a, z, b2, pivot_, &pivot_);
      return ok_;
    }
    // This pivot may vanish: the next is a pole.
    DdInterval shifted;
    DdInterval product;
    ok_ = interval_sub(a, z, &shifted) &&
          interval_mul(shifted, pivot_, &product) &&
          interval_sub(product, b2, &g_) && decided(g_);
    before_ = previous_;
    before_pivot_ = pivot_;
    b2_before_ = b2;
    pole_ = true;
    return ok_;
  }

  // The squares kept scaled as the caller's.
  void rescale(int e) {
    previous_ = scaled(previous_, e);
    before_ = scaled(before_, e);
  }

 private:
  bool ok_;
  bool pole_ = false;
  DdInterval pivot_;
  DdInterval g_;
  DdInterval previous_;      // the square next_square was last given
  DdInterval before_;        // the square of the row before the pole
  DdInterval before_pivot_;  // the pivot that may vanish
  DdInterval b2_before_;     // b2 joining it to the pole's row
};

bool fast_sum(const FastCountMatrix& t, const DdInterval& z, std::size_t r,
              DdInterval* total, int* exponent) {
  const std::size_t m = t.a.size();
  const DdInterval one{{1.0, 0.0}, 0.0};
  DdInterval square = one;
  DdInterval sum = one;
  int e = 0;
  SquaresWalk down(t.a[0], z);
  for (std::size_t j = 0; j < r; ++j) {
    if (j > 0 && !down.step(t.a[j], z, t.b2[j - 1])) {
      return false;
    }
    if (!down.next_square(square, t.inverse_b2[j], &square) ||
        !interval_add(sum, square, &sum)) {
      return false;
    }
    if (sum.mid.hi > rescale_above) {
      sum = scaled(sum, -rescale_bits);
      square = scaled(square, -rescale_bits);
      down.rescale(-rescale_bits);
      e += rescale_bits;
    }
  }
  if (r + 1 < m) {
    // The bottom-up side: tail / v is free of their common power of two.
    DdInterval v = one;
    DdInterval tail{{0.0, 0.0}, 0.0};
    SquaresWalk up(t.a[m - 1], z);
    for (std::size_t j = m - 1; j > r; --j) {
      if (j < m - 1 && !up.step(t.a[j], z, t.b2[j])) {
        return false;
      }
      if (!interval_add(tail, v, &tail) ||
          !up.next_square(v, t.inverse_b2[j - 1], &v)) {
        return false;
      }
      if (v.mid.hi > rescale_above || tail.mid.hi > rescale_above) {
        v = scaled(v, -rescale_bits);
        tail = scaled(tail, -rescale_bits);
        up.rescale(-rescale_bits);
      }
    }
    DdInterval ratio;
    DdInterval rows;
    if (!interval_div(tail, v, &ratio) || !interval_mul(ratio, square, &rows) ||
        !interval_add(sum, rows, &sum)) {
      return false;
    }
  }
  *total = sum;
  *exponent = e;
  return decided(sum);
}

}  // namespace

namespace {

// The point's interval: centre's, widened by half_width.
bool weight_point(const Dyadic& centre, const Dyadic& half_width,
                  DdInterval* z) {
  if (!dd_interval_from_dyadic(centre, z)) {
    return false;
  }
  const double w = std::fabs(dyadic_round(half_width));
  z->rad = (z->rad + w * (1.0 + 0x1p-52) + 0x1p-1074) * radius_slack;
  return true;
}

Ball sum_ball(const DdInterval& total, int e) {
  Dyadic rad = dyadic_from_double(total.rad);
  rad.exponent += e;
  return ball_widen(ball_from_dyadic(dyadic_of_interval_mid(total, e)), rad);
}

Ball whole_ball() {
  Ball whole;
  whole.whole = true;
  return whole;
}

// The interval operations above on two lanes, each lane given exactly a
// double's operations, a lane's failure gathered into a mask instead of
// returned.
struct IntervalPair {
  DdPair mid;
  Pair rad;
};

IntervalPair lane_broadcast(const DdInterval& x) {
  return {broadcast(x.mid), broadcast(x.rad)};
}

IntervalPair lane_select(PairMask mask, const IntervalPair& if_true,
                         const IntervalPair& if_false) {
  return {{pair_select(mask, if_true.mid.hi, if_false.mid.hi),
           pair_select(mask, if_true.mid.lo, if_false.mid.lo)},
          pair_select(mask, if_true.rad, if_false.rad)};
}

PairMask lane_checked(const DdPair& v) {
  return (v.hi == 0.0) | pair_in_range(v.hi);
}

PairMask lane_decided(const IntervalPair& x) {
  return pair_in_range(x.mid.hi) & (x.rad < pair_abs(x.mid.hi) * 0.5);
}

IntervalPair lane_add(const IntervalPair& x, const IntervalPair& y,
                      PairMask* failed) {
  const DdPair v = add(x.mid, y.mid);
  *failed |= ~lane_checked(v);
  return {v,
          (x.rad + y.rad + pair_abs(v.hi) * 2.0 * fast_count_operation_error) *
              radius_slack};
}

// As sub: the sum with -y, exactly.
IntervalPair lane_sub(const IntervalPair& x, const IntervalPair& y,
                      PairMask* failed) {
  return lane_add(x, {neg(y.mid), y.rad}, failed);
}

IntervalPair lane_mul(const IntervalPair& x, const IntervalPair& y,
                      PairMask* failed) {
  const DdPair v = mul(x.mid, y.mid);
  *failed |= ~lane_checked(v);
  const Pair xm = pair_abs(x.mid.hi) * (1.0 + 0x1p-52);
  const Pair ym = pair_abs(y.mid.hi) * (1.0 + 0x1p-52);
  return {v, (xm * y.rad + ym * x.rad + x.rad * y.rad +
              pair_abs(v.hi) * 2.0 * fast_count_operation_error) *
                 radius_slack};
}

IntervalPair lane_div(const IntervalPair& x, const IntervalPair& y,
                      PairMask* failed) {
  *failed |= ~lane_decided(y);
  const DdPair v = div(x.mid, y.mid);
  *failed |= ~lane_checked(v);
  const Pair xm = pair_abs(x.mid.hi) * (1.0 + 0x1p-52);
  const Pair y_above = pair_abs(y.mid.hi) * (1.0 + 0x1p-52);
  const Pair ym = pair_abs(y.mid.hi) * (1.0 - 0x1p-52);
  return {v, ((xm * y.rad + y_above * x.rad) / (ym * (ym - y.rad)) +
              pair_abs(v.hi) * 2.0 * fast_count_operation_error) *
                 radius_slack};
}

// scaled(x, -rescale_bits): a product by a power of two is the exactly
// scaled value rounded once, as ldexp's.
IntervalPair lane_scaled_down(const IntervalPair& x) {
  constexpr double f = 0x1p-200;
  static_assert(rescale_bits == 200);
  return {{x.mid.hi * f, x.mid.lo * f}, x.rad * f};
}

// The step of a walk at a row past its first: the pivot before must be
// decided (where it may vanish the scalar walk steps over the pole: the
// lane fails, and the caller runs that walk).
IntervalPair lane_next_pivot(const IntervalPair& a, const IntervalPair& z,
                             const IntervalPair& b2,
                             const IntervalPair& previous, PairMask* failed) {
  *failed |= ~lane_decided(previous);
  const IntervalPair shifted = lane_sub(a, z, failed);
  const IntervalPair q = lane_div(b2, previous, failed);
  return lane_sub(shifted, q, failed);
}

IntervalPair lane_next_square(const IntervalPair& square, const IntervalPair& d,
                              const IntervalPair& inverse_b2,
                              PairMask* failed) {
  const IntervalPair d2 = lane_mul(d, d, failed);
  const IntervalPair p = lane_mul(square, d2, failed);
  return lane_mul(p, inverse_b2, failed);
}

// fast_sum for two points with one twist row r, each lane ending with
// what fast_sum gives its point, or failed.
PairMask lane_fast_sum(const FastCountMatrix& t, const IntervalPair& z,
                       std::size_t r, IntervalPair* total, Pair* e) {
  const std::size_t m = t.a.size();
  const IntervalPair one{broadcast(Dd{1.0, 0.0}), Pair{}};
  PairMask failed{};
  // Top-down, rows 0 .. r - 1.
  IntervalPair square = one;
  IntervalPair sum = one;
  *e = Pair{};
  if (r > 0) {
    IntervalPair pivot = lane_sub(lane_broadcast(t.a[0]), z, &failed);
    for (std::size_t j = 0; j < r; ++j) {
      if (j > 0) {
        pivot = lane_next_pivot(lane_broadcast(t.a[j]), z,
                                lane_broadcast(t.b2[j - 1]), pivot, &failed);
      }
      square = lane_next_square(square, pivot, lane_broadcast(t.inverse_b2[j]),
                                &failed);
      sum = lane_add(sum, square, &failed);
      const PairMask big = sum.mid.hi > rescale_above;
      if ((big[0] | big[1]) != 0) {
        sum = lane_select(big, lane_scaled_down(sum), sum);
        square = lane_select(big, lane_scaled_down(square), square);
        *e += pair_select(big, broadcast(static_cast<double>(rescale_bits)),
                          Pair{});
      }
      if ((failed[0] & failed[1]) != 0) {
        return failed;
      }
    }
  }
  // Bottom-up, rows m - 1 .. r + 1.
  if (r + 1 < m) {
    IntervalPair v = one;
    IntervalPair tail{{Pair{}, Pair{}}, Pair{}};
    IntervalPair pivot = lane_sub(lane_broadcast(t.a[m - 1]), z, &failed);
    for (std::size_t j = m - 1; j > r; --j) {
      if (j < m - 1) {
        pivot = lane_next_pivot(lane_broadcast(t.a[j]), z,
                                lane_broadcast(t.b2[j]), pivot, &failed);
      }
      tail = lane_add(tail, v, &failed);
      v = lane_next_square(v, pivot, lane_broadcast(t.inverse_b2[j - 1]),
                           &failed);
      const PairMask big =
          (v.mid.hi > rescale_above) | (tail.mid.hi > rescale_above);
      if ((big[0] | big[1]) != 0) {
        v = lane_select(big, lane_scaled_down(v), v);
        tail = lane_select(big, lane_scaled_down(tail), tail);
      }
      if ((failed[0] & failed[1]) != 0) {
        return failed;
      }
    }
    const IntervalPair ratio = lane_div(tail, v, &failed);
    const IntervalPair rows_above = lane_mul(ratio, square, &failed);
    sum = lane_add(sum, rows_above, &failed);
  }
  *total = sum;
  return failed | ~lane_decided(sum);
}

}  // namespace

Ball fast_inverse_first_square(const FastCountMatrix& t, const Dyadic& centre,
                               const Dyadic& half_width, std::size_t r) {
  DdInterval z;
  if (t.a.empty() || !weight_point(centre, half_width, &z)) {
    return whole_ball();
  }
  DdInterval total;
  int e = 0;
  if (!fast_sum(t, z, r, &total, &e)) {
    return whole_ball();
  }
  return sum_ball(total, e);
}

void fast_inverse_first_square_pair(const FastCountMatrix& t,
                                    const Dyadic* centre,
                                    const Dyadic* half_width, std::size_t r,
                                    Ball* out) {
  DdInterval z[2];
  const bool ok0 =
      !t.a.empty() && weight_point(centre[0], half_width[0], &z[0]);
  const bool ok1 =
      !t.a.empty() && weight_point(centre[1], half_width[1], &z[1]);
  // A point out of range sends both alone.
  PairMask failed{-1, -1};
  IntervalPair total{};
  Pair e{};
  if (ok0 && ok1) {
    failed = PairMask{};
    const IntervalPair zp{
        {Pair{z[0].mid.hi, z[1].mid.hi}, Pair{z[0].mid.lo, z[1].mid.lo}},
        Pair{z[0].rad, z[1].rad}};
    failed |= lane_fast_sum(t, zp, r, &total, &e);
  }
  for (int i = 0; i < 2; ++i) {
    if (failed[i] != 0) {
      // Its walk steps over a pole, or it fails alone.
      out[i] = fast_inverse_first_square(t, centre[i], half_width[i], r);
      continue;
    }
    const DdInterval lane{{total.mid.hi[i], total.mid.lo[i]}, total.rad[i]};
    out[i] = sum_ball(lane, static_cast<int>(e[i]));
  }
}

}  // namespace zemta::detail
