// The correctly rounded rule: each root of P_n found in double, then one
// step of higher order in double-double that lands within about 2^-95 of
// the exact root, and the weight from the same evaluation.
//
// 1. Starting points. Tricomi's asymptotic form of the roots (as
//    predict_roots_asymptotic, with a cosine computed here from IEEE
//    operations, so that every platform starts from the same bits).
// 2. Newton in double, until a step moves the root by at most
//    polished_step: the root x0 is then within a few ulps of the exact
//    root r, |x0 - r| < 2^-47.
// 3. P_n(x0) and P_{n-1}(x0) in double-double, by the three-term
//    recurrence: the only costly step, a recurrence of n steps per root,
//    run on several roots side by side in vector lanes.
// 4. From those, per root: P_n', P_n'' (double-double) and P_n''' (double)
//    at x0 by Legendre's equation, the correction d = r - x0 to second
//    order, d = d1 - P_n''/(2 P_n') d1^2 with d1 = -P_n/P_n', and P_n'(r)
//    by Taylor's series to second order. What these series leave out is of
//    third order in d: below (2^19 |d|)^2 |d| < 2^-120 with |d| < 2^-47
//    (near the ends, where 1/(1 - x^2) reaches 2^19, d is below 2^-52).
// 5. The node r = x0 + d and the weight w = 2 / ((1 - r^2) P_n'(r)^2) in
//    double-double, each rounded once to the nearest double.
//
// Why the rounding is right: the values before the last rounding are
// within about 2^-95 (nodes, absolute) and 2^-85 (weights, relative; the
// recurrence's error, n = 999 steps of 2^-104, against a |P_{n-1}(r)| as
// small as 2^-10) of the exact values, so each rounds to the nearest
// double unless its exact value lies that close to a midpoint between two
// doubles. The tests labelled full check every value of every order
// against 256-bit arithmetic and report how close to a midpoint any value
// comes (2^-21 ulp, thousands of times the error above). Every step is a
// fixed sequence of IEEE additions, subtractions, multiplications and
// divisions, lane by lane, so every platform computes these same bits.
#include "quadrature/correctly_rounded.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "quadrature/double_double.h"

namespace zemta {

namespace detail {
namespace {

// Roots are refined in batches of batch_lanes, as batch_vectors generic
// vectors of two doubles: element-wise IEEE operations, lowered to SSE2 or
// NEON, or to scalar code where there are none (WebAssembly without SIMD).
// Lanes never share an intermediate result, so any lane count gives the
// same bits.
using Vector = double __attribute__((vector_size(16)));
constexpr int vector_lanes = 2;
constexpr int batch_vectors = 4;
constexpr int batch_lanes = batch_vectors * vector_lanes;
using DdVector = DoubleDouble<Vector>;

inline Vector broadcast(double value) { return Vector{value, value}; }

// pi/2 and pi/4 to double precision: they only place starting points.
constexpr double half_pi = 0x1.921fb54442d18p0;
constexpr double quarter_pi = 0x1.921fb54442d18p-1;
// Terms of the Taylor series of cos and sin at |u| <= pi/4: the first left
// out, (pi/4)^22 / 22!, is below 2^-73.
constexpr int cosine_terms = 10;

// cos t for 0 <= t <= pi/2, within a few ulps: the series of cos t, or of
// sin(pi/2 - t) above pi/4.
double cosine(double t) {
  const bool by_sine = t > quarter_pi;
  const double u = by_sine ? half_pi - t : t;
  const double u2 = u * u;
  double sum = 1.0;
  for (int j = cosine_terms; j >= 1; --j) {
    const double k = 2.0 * j;
    sum = 1.0 - u2 * sum / (by_sine ? k * (k + 1.0) : (k - 1.0) * k);
  }
  return by_sine ? u * sum : sum;
}

// Starting point for the non-negative root j (ascending, j = 0 the
// smallest) of P_n: Tricomi's form, exactly 0 for the middle root of an
// odd order.
double starting_root(int n, int j) {
  const int half = half_count(n);
  if (n % 2 == 1 && j == 0) {
    return 0.0;
  }
  const auto order = static_cast<double>(n);
  const auto k = static_cast<double>(half - j);
  const double scale =
      1.0 - 1.0 / (8.0 * order * order) + 1.0 / (8.0 * order * order * order);
  return scale * cosine(half_pi * (4.0 * k - 1.0) / (2.0 * order + 1.0));
}

// Newton in double stops for a root after a step of at most this: the
// error is then below 2^19 polished_step^2 (the step's own quadratic term)
// plus the evaluation's rounding, a few ulps, so under 2^-47.
constexpr double polished_step = 0x1p-40;
// Steps from the starting points never needed more than 6; a bound on the
// loop, never reached.
constexpr int max_polish_steps = 16;

// Newton's method in double for batch_lanes roots side by side. A lane
// whose step was at most polished_step takes no further step (its step is
// multiplied by 0), so each root gets the steps it needs whatever lane and
// batch it is in.
void polish(int n, Vector* x) {
  const auto order = broadcast(static_cast<double>(n));
  Vector active[batch_vectors];
  for (int v = 0; v < batch_vectors; ++v) {
    active[v] = broadcast(1.0);
  }
  for (int step = 0; step < max_polish_steps; ++step) {
    Vector p[batch_vectors];
    Vector q[batch_vectors];
    for (int v = 0; v < batch_vectors; ++v) {
      q[v] = broadcast(1.0);
      p[v] = x[v];
    }
    // (k + 1) P_{k+1} = (2k + 1) x P_k - k P_{k-1}, with the quotients
    // (2k + 1)/(k + 1) and k/(k + 1) computed once for all lanes.
    for (int k = 1; k < n; ++k) {
      const Vector a = broadcast((2.0 * k + 1.0) / (k + 1.0));
      const Vector b = broadcast(k / (k + 1.0));
#pragma GCC unroll 4
      for (int v = 0; v < batch_vectors; ++v) {
        const Vector next = (a * x[v]) * p[v] - b * q[v];
        q[v] = p[v];
        p[v] = next;
      }
    }
    bool any = false;
    for (int v = 0; v < batch_vectors; ++v) {
      const Vector dx = p[v] * (1.0 - x[v] * x[v]) / (order * (q[v] - x[v] * p[v]));
      x[v] = x[v] - dx * active[v];
      for (int l = 0; l < vector_lanes; ++l) {
        if (!(std::fabs(dx[l]) > polished_step)) {
          active[v][l] = 0.0;
        }
        any = any || active[v][l] != 0.0;
      }
    }
    if (!any) {
      return;
    }
  }
}

// A sum a + b of double-doubles whose error is below 2^-105 (|a| + |b|),
// not relative to the sum: enough for the recurrence below, whose error
// is counted against the size of its terms, and half the operations of add.
inline DdVector add_sloppy(DdVector a, DdVector b) {
  const DdVector s = two_sum(a.hi, b.hi);
  return quick_two_sum(s.hi, s.lo + (a.lo + b.lo));
}

// Scaled values of the recurrence below are kept under 2^(rescale_bits + 10)
// (so that Dekker's splits cannot overflow) by multiplying them by
// 2^-rescale_bits, exactly, whenever the scale passes 2^rescale_bits.
constexpr int rescale_bits = 256;
constexpr double rescale_above = 0x1p256;
constexpr double rescale_factor = 0x1p-256;

// P_n(x) and P_{n-1}(x) in double-double for batch_lanes doubles x, as
// Q_n / f and n Q_{n-1} / f. Q_k = f_k P_k with f_k = k! 2^-S (S a multiple
// of rescale_bits) turns (k + 1) P_{k+1} = (2k + 1) x P_k - k P_{k-1} into
//   Q_{k+1} = (2k + 1) x Q_k - k^2 Q_{k-1},
// with no division: the product by x is exact (Dekker, x split once), those
// by 2k + 1 < 2^11 and k^2 < 2^20 too (two_prod_short), and each step adds
// an error below a few 2^-105 of its terms' size. The recurrence is stable
// for |x| <= 1 (its errors grow at most linearly), so P_n and P_{n-1} come
// within n 2^-103 < 2^-93 of their values, and f = f_n, in double-double
// by the same products, within n 2^-105 relative.
void legendre_dd(int n, const Vector* x, DdVector* p_out, DdVector* q_out) {
  DdVector x_split[batch_vectors];
  DdVector p[batch_vectors];
  DdVector q[batch_vectors];
  for (int v = 0; v < batch_vectors; ++v) {
    x_split[v] = split(x[v]);
    q[v] = {broadcast(1.0), broadcast(0.0)};
    p[v] = {x[v], broadcast(0.0)};
  }
  Dd scale = {1.0, 0.0};  // f_k
  for (int k = 1; k < n; ++k) {
    const Vector odd = broadcast(2.0 * k + 1.0);
    const Vector square = broadcast(static_cast<double>(k) * k);
#pragma GCC unroll 4
    for (int v = 0; v < batch_vectors; ++v) {
      const DdVector xp = two_prod(p[v].hi, split(p[v].hi), x_split[v], x[v]);
      const DdVector u = two_prod_short(xp.hi, odd);
      const DdVector w = two_prod_short(q[v].hi, square);
      const DdVector next = add_sloppy(
          DdVector{u.hi, u.lo + (xp.lo + p[v].lo * x[v]) * odd},
          DdVector{-w.hi, -(w.lo + q[v].lo * square)});
      q[v] = p[v];
      p[v] = next;
    }
    scale = mul_short(scale, k + 1.0);
    if (scale.hi > rescale_above) {
      scale = {scale.hi * rescale_factor, scale.lo * rescale_factor};
      const Vector factor = broadcast(rescale_factor);
      for (int v = 0; v < batch_vectors; ++v) {
        p[v] = {p[v].hi * factor, p[v].lo * factor};
        q[v] = {q[v].hi * factor, q[v].lo * factor};
      }
    }
  }
  const DdVector f = {broadcast(scale.hi), broadcast(scale.lo)};
  const Vector order = broadcast(static_cast<double>(n));
  for (int v = 0; v < batch_vectors; ++v) {
    p_out[v] = div(p[v], f);
    q_out[v] = div(mul_short(q[v], order), f);
  }
}

inline Dd lane(const DdVector& v, int l) { return {v.hi[l], v.lo[l]}; }

struct NodeWeight {
  Dd node;
  Dd weight;
};

// Step 4 and 5 for one root: x0 within 2^-47 of the root r, p = P_n(x0)
// and q = P_{n-1}(x0) in double-double.
NodeWeight finish(int n, double x0, Dd p, Dd q) {
  const auto order = static_cast<double>(n);
  const double eigen = order * (order + 1.0);  // exact: below 2^20
  // 1 - x0^2, exactly up to the last subtraction.
  const Dd s = sub(Dd{1.0, 0.0}, two_prod(x0, x0));
  // P_n'(x0) = n (P_{n-1} - x0 P_n) / (1 - x0^2), and from Legendre's
  // equation (1 - x^2) P'' = 2x P' - n(n+1) P and its derivative
  // (1 - x^2) P''' = 4x P'' + (2 - n(n+1)) P'.
  const Dd d1p = div(mul(sub(q, mul(p, x0)), order), s);
  const Dd d2p = div(sub(mul(d1p, 2.0 * x0), mul(p, eigen)), s);
  const double d3p = (4.0 * x0 * d2p.hi + (2.0 - eigen) * d1p.hi) / s.hi;
  // The correction, to second order: |d1| < 2^-47, and the second-order
  // term below 2^19 d1^2, so a double carries it well enough.
  const Dd d1 = neg(div(p, d1p));
  const double curvature = d2p.hi / (2.0 * d1p.hi);
  const Dd d = sub(d1, Dd{curvature * d1.hi * d1.hi, 0.0});
  // P_n'(r) = P' + P'' d + P''' d^2 / 2, and 1 - r^2 = s - 2 x0 d - d^2.
  const Dd slope =
      add(add(d1p, mul(d2p, d)), Dd{d3p * d.hi * d.hi / 2.0, 0.0});
  const Dd s_root =
      sub(s, add(mul(d, 2.0 * x0), Dd{d.hi * d.hi, 0.0}));
  return {add(Dd{x0, 0.0}, d),
          div(Dd{2.0, 0.0}, mul(s_root, mul(slope, slope)))};
}

// The double nearest hi + lo (ties to even): one IEEE addition. For a
// normalized double-double it is hi itself.
double rounded(Dd v) { return v.hi + v.lo; }

// Calls emit(j, node, weight) for each non-negative root j of P_n,
// ascending, with the node and weight in double-double.
template <class Emit>
void rule_dd(int n, Emit emit) {
  const int half = half_count(n);
  for (int first = 0; first < half; first += batch_lanes) {
    const int count = half - first < batch_lanes ? half - first : batch_lanes;
    // Lanes past count repeat the last root and are ignored.
    Vector x[batch_vectors];
    for (int l = 0; l < batch_lanes; ++l) {
      x[l / vector_lanes][l % vector_lanes] =
          starting_root(n, first + (l < count ? l : count - 1));
    }
    polish(n, x);
    DdVector p[batch_vectors];
    DdVector q[batch_vectors];
    legendre_dd(n, x, p, q);
    for (int l = 0; l < count; ++l) {
      const int v = l / vector_lanes;
      const int i = l % vector_lanes;
      const NodeWeight r = finish(n, x[v][i], lane(p[v], i), lane(q[v], i));
      emit(first + l, r.node, r.weight);
    }
  }
}

// Ends above this are scaled by 2^-large_end_shift before the mapping, so
// that neither a + b nor a split overflows (splits need |v| < 2^996).
constexpr double large_end = 0x1p960;
constexpr int large_end_shift = 64;

}  // namespace
}  // namespace detail

int correctly_rounded_rule(int n, double* nodes, double* weights) {
  if (!order_in_range(n)) {
    return 0;
  }
  const int half = half_count(n);
  detail::rule_dd(n, [&](int j, detail::Dd x, detail::Dd w) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;  // upper itself for the middle node
    nodes[lower] = -detail::rounded(x);
    nodes[upper] = detail::rounded(x);
    weights[lower] = detail::rounded(w);
    weights[upper] = weights[lower];
  });
  return n;
}

int correctly_rounded_rule(int n, double a, double b, double* nodes,
                           double* weights) {
  if (!order_in_range(n) || !std::isfinite(a) || !std::isfinite(b) ||
      !(a < b)) {
    return 0;
  }
  // The rounded results are scaled back exactly: they are normal, at most
  // max(|a|, |b|) and (b - a) / 2 <= DBL_MAX.
  const double largest = std::fmax(std::fabs(a), std::fabs(b));
  const int shift = largest > detail::large_end ? detail::large_end_shift : 0;
  const double sa = std::ldexp(a, -shift);
  const double sb = std::ldexp(b, -shift);
  // (a + b)/2 and (b - a)/2 exactly (halving is exact for normal values).
  const detail::Dd sum = detail::two_sum(sa, sb);
  const detail::Dd difference = detail::two_sum(sb, -sa);
  const detail::Dd mid = {sum.hi * 0.5, sum.lo * 0.5};
  const detail::Dd radius = {difference.hi * 0.5, difference.lo * 0.5};
  const int half = half_count(n);
  detail::rule_dd(n, [&](int j, detail::Dd x, detail::Dd w) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    const detail::Dd offset = detail::mul(radius, x);
    nodes[lower] =
        std::ldexp(detail::rounded(detail::sub(mid, offset)), shift);
    nodes[upper] =
        std::ldexp(detail::rounded(detail::add(mid, offset)), shift);
    weights[lower] =
        std::ldexp(detail::rounded(detail::mul(radius, w)), shift);
    weights[upper] = weights[lower];
  });
  return n;
}

}  // namespace zemta
