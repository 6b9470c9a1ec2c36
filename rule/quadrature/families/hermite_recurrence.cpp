// The Gauss-Hermite rules by the method of the Gauss-Legendre rule
// (correctly_rounded.cpp). Both kinds are one recurrence, y_{k+1} = x y_k -
// c k y_{k-1} from y_0 = 1, y_1 = x: c = 1/2 gives H_k / 2^k (weight
// e^(-x^2), mu0 = sqrt(pi)), c = 1 gives He_k (e^(-x^2/2), mu0 = sqrt(2
// pi)). Then y_n' = n y_{n-1}, the differential equation c y'' = x y' - n y
// holds, and the weight of a node r is mu0 c^(n-1) n! / (n^2 y_{n-1}(r)^2).
//
// 1. Starting points. The zeros of H_n, counted from the largest (k = 1),
//    are near sqrt(nu) cos(s / 2), nu = 2n + 1, where s - sin s = (4k - 1)
//    pi / nu (the WKB phase of H_n e^(-x^2/2) from its turning point
//    sqrt(nu); phase_angle, recurrence_rules.h); those of He_n are sqrt(2)
//    times H_n's.
// 2. Newton in double on y_n in the root batches (root_batch.h), then y_n
//    and y_{n-1} at the polished x0 in double-double, scaled by a power of
//    two.
// 3. From those, y' = n y_{n-1} and y'' = (x0 y' - n y_n) / c
//    (double-double); the correction d = r - x0 to second order, d = d1 -
//    y'' / (2 y') d1^2 with d1 = -y_n / y'; y_{n-1}(r) by Taylor's series to
//    third order, from y_{n-1}' = (x0 y_{n-1} - y_n) / c and the equation of
//    degree n - 1. At a root y'' / y' = x / c, under 2^7, so what the series
//    leave out is far below the bounds.
//
// The bounds (hermite_recurrence.h): a node within 2^-84, a weight within
// 2^-78 relative, set with a margin of 2^16 or more over the largest errors
// that the tests labelled full find at every order against 256-bit
// arithmetic, 2^-101.2 for a node and 2^-96 relative for a weight. The
// recurrence's errors cannot be bounded by a short argument here, since in
// the first steps, where x^2 > 4 c k, the values grow without oscillating;
// the orders being a finite set, the sweep shows it for each. A --scaled
// weight is the weight times e^t, t = r^2 (r^2 / 2 for the probabilists'
// kind): the node's error, under 2^-84, moves t by under 2 |r| 2^-84 /
// (2c), below 2^-76.5 for |r| < 45 (c = 1/2) and 2^-77 for |r| < 64 (c =
// 1); with r^2's rounding (2^-93 absolute) and the exponential's error
// (2^-92, recurrence_rules.h), the scaled weight is within 2^-75 relative.
// Each value is rounded only where its bound decides it; one it does not
// decide sends the whole rule to the engine, and so do Newton's nodes if
// they are not ascending and apart as the roots are.
#include "rule/quadrature/families/hermite_recurrence.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "rule/quadrature/recurrence_rules.h"

namespace zemta::detail {
namespace {

bool refused_for_tests = false;

constexpr double pi = 0x1.921fb54442d18p1;

// mu0 in double-double, within 2^-106 relative.
constexpr Dd sqrt_pi = {0x1.c5bf891b4ef6bp+0, -0x1.618f13eb7ca89p-54};
constexpr Dd sqrt_two_pi = {0x1.40d931ff62706p+1, -0x1.a6a0d6f814637p-53};

// The least gap between neighbouring nodes of any order up to 1000 is
// above 0.05; Newton's nodes must be apart by more than this.
constexpr double least_gap = 0x1p-24;

// Starting point for the non-negative node j of order n (ascending, j = 0
// the smallest): exactly 0 for the middle node of an odd order.
double starting_node(bool probabilists, int n, int j) {
  if (n % 2 == 1 && j == 0) {
    return 0.0;
  }
  const int k = half_count(n) - j;
  const double nu = 2.0 * n + 1.0;
  const double s = phase_angle((4.0 * k - 1.0) * pi / nu);
  const double x = std::sqrt(nu) * start_cosine(s / 2.0);
  return probabilists ? x * 0x1.6a09e667f3bcdp0 : x;
}

struct NodeWeight {
  Dd node;
  Dd weight;  // times 2^exponent
  int exponent;
};

// Step 3 for one root: p = y_n(x0) and q = y_{n-1}(x0) times 2^-shift.
// factor: mu0 c^(n-1) n! as factor.hi + factor.lo times 2^factor_exponent.
NodeWeight finish(double c, int n, double x0, Dd p, Dd q, int shift, Dd factor,
                  int factor_exponent) {
  const auto order = static_cast<double>(n);
  const double inverse_c = 1.0 / c;  // exact: c is 1/2 or 1
  Dd node = {0.0, 0.0};
  Dd d = {0.0, 0.0};
  if (x0 != 0.0) {
    const Dd d1y = mul_short(q, order);
    const Dd d2y = mul_short(sub(mul(d1y, x0), mul_short(p, order)), inverse_c);
    const Dd d1 = neg(div(p, d1y));
    const double curvature = d2y.hi / (2.0 * d1y.hi);
    d = sub(d1, Dd{curvature * d1.hi * d1.hi, 0.0});
    node = add(Dd{x0, 0.0}, d);
  }
  // y_{n-1} and its derivatives at x0 (degree m = n - 1).
  const double m = order - 1.0;
  const Dd dq = mul_short(sub(mul(q, x0), p), inverse_c);
  const Dd d2q = mul_short(sub(mul(dq, x0), mul_short(q, m)), inverse_c);
  const double d3q = (x0 * d2q.hi + (1.0 - m) * dq.hi) * inverse_c;
  const Dd taylor = add(mul(d2q, 0.5), Dd{d3q * d.hi / 6.0, 0.0});
  const Dd value = add(q, mul(d, add(dq, mul(taylor, d))));
  return {node, div(factor, mul_short(mul(value, value), order * order)),
          factor_exponent - 2 * shift};
}

// mu0 c^(n-1) n! as a double-double times a power of two.
Scaled weight_factor(bool probabilists, int n) {
  Scaled f = factorial_times(probabilists ? sqrt_two_pi : sqrt_pi, n);
  f.exponent -= probabilists ? 0 : n - 1;
  return f;
}

// Calls emit(j, node, weight) for each non-negative node j, ascending;
// false if Newton's nodes are not ascending and apart (emit may have been
// called).
template <class Emit>
bool rule_dd(const RootBatchKernel& kernel, bool probabilists, int n,
             Emit emit) {
  const int half = half_count(n);
  const double c = probabilists ? 1.0 : 0.5;
  const Scaled factor = weight_factor(probabilists, n);
  double start[max_root_batch];
  double x0[max_root_batch];
  Dd p[max_root_batch];
  Dd q[max_root_batch];
  int shift[max_root_batch];
  double below = n % 2 == 1 ? -1.0 : 0.0;
  for (int first = 0; first < half; first += kernel.lanes) {
    const int count = half - first < kernel.lanes ? half - first : kernel.lanes;
    for (int l = 0; l < count; ++l) {
      start[l] = starting_node(probabilists, n, first + l);
    }
    kernel.refine_hermite(c, n, count, start, x0, p, q, shift);
    for (int l = 0; l < count; ++l) {
      if (!(x0[l] - below > least_gap)) {
        return false;
      }
      below = x0[l];
      emit(first + l, finish(c, n, x0[l], p[l], q[l], shift[l], factor.mantissa,
                             factor.exponent));
    }
  }
  return true;
}

}  // namespace

bool hermite_rule(const RootBatchKernel& kernel, bool probabilists, bool scaled,
                  int n, double* nodes, double* weights) {
  if (n < 1 || n > max_order || refused_for_tests) {
    return false;
  }
  const MappedFrame frame = mapped_frame(-1.0, 1.0);
  const int half = half_count(n);
  bool decided = true;
  const bool found = rule_dd(kernel, probabilists, n, [&](int j, NodeWeight r) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    if (r.node.hi == 0.0) {
      nodes[upper] = 0.0;
    } else {
      decided = decided &&
                round_mapped_node(frame, r.node, hermite_node_error_exponent, 1,
                                  &nodes[upper]) &&
                round_mapped_node(frame, r.node, hermite_node_error_exponent,
                                  -1, &nodes[lower]);
    }
    if (scaled) {
      // Times e^(r^2) (e^(r^2 / 2) for the probabilists' kind).
      Dd square = mul(r.node, r.node);
      if (probabilists) {
        square = {square.hi * 0.5, square.lo * 0.5};
      }
      const Scaled factor = exponential(square);
      r.weight = mul(r.weight, factor.mantissa);
      r.exponent += factor.exponent;
    }
    decided = decided &&
              round_scaled_value(r.weight, r.exponent,
                                 scaled ? hermite_scaled_weight_error_exponent
                                        : hermite_weight_error_exponent,
                                 &weights[upper]);
    weights[lower] = weights[upper];
  });
  return found && decided;
}

void hermite_rule_dd(const RootBatchKernel& kernel, bool probabilists, int n,
                     Dd* nodes, Dd* weights, int* weight_exponents) {
  if (n < 1 || n > max_order) {
    return;
  }
  rule_dd(kernel, probabilists, n, [&](int j, NodeWeight r) {
    nodes[j] = r.node;
    weights[j] = r.weight;
    weight_exponents[j] = r.exponent;
  });
}

void set_hermite_recurrence_refused(bool refused) {
  refused_for_tests = refused;
}

}  // namespace zemta::detail
