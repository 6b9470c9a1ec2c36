#include "rule/quadrature/fast_count.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "rule/quadrature/interval_lanes.h"

namespace zemta::detail {

extern const IntervalLanes portable_interval_lanes;
// The wide variants on x86-64 only: the 32-bit build (Windows, run in the
// emulated machine) takes the portable lanes, the ones checked there.
#if defined(__x86_64__)
extern const IntervalLanes avx2_interval_lanes;
extern const IntervalLanes avx2_fma_interval_lanes;
extern const IntervalLanes avx512_interval_lanes;
#endif

namespace {

// The precision of 1 / b2's ball, finer than a double-double.
constexpr int inverse_bits = 128;

constexpr double radius_slack = fast_radius_slack;

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

// This build's variants, the fastest first.
constexpr KernelOfVariant<IntervalLanes> interval_lanes_variants[] = {
#if defined(__x86_64__)
#if !defined(__SANITIZE_ADDRESS__)
    // Not under AddressSanitizer: there the double-double templates are not
    // inlined into the passes (which stay unchecked, interval_lanes_body.inc),
    // and their 64-byte vectors on its fake stack, aligned to less, fault.
    {KernelVariant::avx512, &avx512_interval_lanes},
#endif
    {KernelVariant::avx2_fma, &avx2_fma_interval_lanes},
    {KernelVariant::avx2, &avx2_interval_lanes},
#endif
    {KernelVariant::portable, &portable_interval_lanes}};

}  // namespace

const IntervalLanes* interval_lanes(KernelVariant variant) {
  return kernel_of(interval_lanes_variants, variant);
}

const IntervalLanes& best_interval_lanes() {
  static const IntervalLanes& best = first_runnable(interval_lanes_variants);
  return best;
}

void fast_counts(const IntervalLanes& kernel, const FastCountMatrix& t,
                 const Dyadic* points, int n, int* counts) {
  DdInterval z[max_interval_lanes] = {};
  bool ok[max_interval_lanes] = {};
  for (int i = 0; i < kernel.lanes; ++i) {
    // An idle lane repeats the first point.
    ok[i] = dd_interval_from_dyadic(points[i < n ? i : 0], &z[i]);
  }
  int all[max_interval_lanes];
  kernel.counts(t, z, ok, all);
  std::copy(all, all + n, counts);
}

void fast_count_pair(const FastCountMatrix& t, const Dyadic& z0,
                     const Dyadic& z1, int* counts) {
  const Dyadic points[2] = {z0, z1};
  fast_counts(portable_interval_lanes, t, points, 2, counts);
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

constexpr double rescale_above = fast_rescale_above;
constexpr int rescale_bits = fast_rescale_bits;

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

void fast_inverse_first_squares(const IntervalLanes& kernel,
                                const FastCountMatrix& t, const Dyadic* centre,
                                const Dyadic* half_width, int n, std::size_t r,
                                Ball* out) {
  DdInterval z[max_interval_lanes] = {};
  bool ok = !t.a.empty();
  for (int i = 0; i < n; ++i) {
    ok = ok && weight_point(centre[i], half_width[i], &z[i]);
  }
  // An idle lane repeats the first point.
  std::fill(z + n, z + kernel.lanes, z[0]);
  DdInterval total[max_interval_lanes];
  int e[max_interval_lanes];
  bool failed[max_interval_lanes];
  // A point out of range sends every one alone.
  std::fill(failed, failed + max_interval_lanes, true);
  if (ok) {
    kernel.weight_sums(t, z, r, total, e, failed);
  }
  for (int i = 0; i < n; ++i) {
    // Its walk steps over a pole, or it fails alone.
    out[i] = failed[i]
                 ? fast_inverse_first_square(t, centre[i], half_width[i], r)
                 : sum_ball(total[i], e[i]);
  }
}

}  // namespace zemta::detail
