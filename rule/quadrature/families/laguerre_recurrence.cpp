// The Gauss-Laguerre rule of e^-x by the method of the Gauss-Legendre rule
// (correctly_rounded.cpp), on the monic Laguerre polynomials: y_{k+1} = (x
// - (2k + 1)) y_k - k^2 y_{k-1} from y_0 = 1, y_1 = x - 1, so that y_n =
// (-1)^n n! L_n. Then x y_n' = n (y_n + n y_{n-1}), the differential
// equation x y'' = (x - 1) y' - n y holds, and the weight of a node r is r
// ((n - 1)!)^2 / (n^2 y_{n-1}(r)^2).
//
// 1. Starting points: the zeros of L_n, counted from the largest (k = 1),
//    are near nu cos^2(s / 2), nu = 4n + 2, where s - sin s = (4k - 1) pi
//    / nu (the WKB phase of e^(-x/2) x^(1/2) L_n from its turning point
//    nu; near 0 it gives McMahon's first term of j_{0,m}^2 / nu).
// 2. Newton in double on y_n in the root batches (root_batch.h), steps
//    relative to the node, then y_n and y_{n-1} at the polished x0 in
//    double-double, scaled by a power of two.
// 3. From those, y' = n (y_n + n y_{n-1}) / x0 and y'' = ((x0 - 1) y' - n
//    y_n) / x0; the correction d = d1 - y'' / (2 y') d1^2, d1 = -y_n / y';
//    y_{n-1}(r) by Taylor's series to third order, from y_{n-1}' = ((x0 -
//    n) y_{n-1} - y_n) / x0 and the equation of degree n - 1.
//
// The bounds (laguerre_recurrence.h) are, as Hermite's, set with a margin
// over the largest errors the tests labelled full find at every order
// against 256-bit arithmetic (2^-92.0 relative for a node, 2^-90.7 for a
// weight): a node within 2^-84 relative, a weight 2^-76. (The rule has no
// interval, so the sweep checks every value the bounds round.) A --scaled
// weight, times e^r, is within 2^-71: the node's error moves r (below
// 2^12) by under 2^-72, which moves e^r by under 2^-71.9 relative, with
// the weight's 2^-76 and the exponential's 2^-92 (recurrence_rules.h).
// Each value is rounded only where its bound decides it; one it does not
// decide sends the whole rule to the engine, and so do Newton's nodes if
// they are not ascending and apart as the roots are.
#include "rule/quadrature/families/laguerre_recurrence.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "rule/quadrature/recurrence_rules.h"

namespace zemta::detail {
namespace {

bool refused_for_tests = false;

constexpr double pi = 0x1.921fb54442d18p1;

// Every node of an order up to 1000 is above 2^-10 and more than 2^-8
// from the next; Newton's nodes must be apart by more than this.
constexpr double least_gap = 0x1p-24;

// Starting point for node j of order n (ascending).
double starting_node(int n, int j) {
  const int k = n - j;
  const double nu = 4.0 * n + 2.0;
  const double c = start_cosine(phase_angle((4.0 * k - 1.0) * pi / nu) / 2.0);
  return nu * c * c;
}

struct NodeWeight {
  Dd node;
  Dd weight;  // times 2^exponent
  int exponent;
};

// Step 3 for one root: p = y_n(x0), q = y_{n-1}(x0) times 2^-shift;
// factor ((n - 1)!)^2.
NodeWeight finish(int n, double x0, Dd p, Dd q, int shift,
                  const Scaled& factor) {
  const auto order = static_cast<double>(n);
  const Dd d1y = div(mul_short(add(p, mul_short(q, order)), order), x0);
  // (x0 - 1) y' - n y_n, with x0 - 1 exact as a double-double.
  const Dd x_less_one = two_sum(x0, -1.0);
  const Dd second = div(sub(mul(d1y, x_less_one), mul_short(p, order)), x0);
  const Dd d1 = neg(div(p, d1y));
  const double curvature = second.hi / (2.0 * d1y.hi);
  const Dd d = sub(d1, Dd{curvature * d1.hi * d1.hi, 0.0});
  const Dd node = add(Dd{x0, 0.0}, d);
  // y_{n-1} and its derivatives at x0 (degree m = n - 1).
  const double m = order - 1.0;
  const Dd dq = div(sub(sub(mul(q, x0), mul_short(q, order)), p), x0);
  const Dd d2q = div(sub(mul(dq, x_less_one), mul_short(q, m)), x0);
  const double d3q = ((x0 - 2.0) * d2q.hi + (1.0 - m) * dq.hi) / x0;
  const Dd taylor = add(mul(d2q, 0.5), Dd{d3q * d.hi / 6.0, 0.0});
  const Dd value = add(q, mul(d, add(dq, mul(taylor, d))));
  const Dd weight = div(mul(node, factor.mantissa),
                        mul_short(mul(value, value), order * order));
  return {node, weight, factor.exponent - 2 * shift};
}

// Calls emit(j, node, weight) for each node j, ascending; false if
// Newton's nodes are not ascending and apart (emit may have been called).
template <class Emit>
bool rule_dd(const RootBatchKernel& kernel, int n, Emit emit) {
  Scaled factor = factorial_times(Dd{1.0, 0.0}, n - 1);
  factor = {mul(factor.mantissa, factor.mantissa), 2 * factor.exponent};
  double start[max_root_batch];
  double x0[max_root_batch];
  Dd p[max_root_batch];
  Dd q[max_root_batch];
  int shift[max_root_batch];
  double below = 0.0;
  for (int first = 0; first < n; first += kernel.lanes) {
    const int count = n - first < kernel.lanes ? n - first : kernel.lanes;
    for (int l = 0; l < count; ++l) {
      start[l] = starting_node(n, first + l);
    }
    kernel.refine_laguerre(n, count, start, x0, p, q, shift);
    for (int l = 0; l < count; ++l) {
      if (!(x0[l] - below > least_gap)) {
        return false;
      }
      below = x0[l];
      emit(first + l, finish(n, x0[l], p[l], q[l], shift[l], factor));
    }
  }
  return true;
}

}  // namespace

bool laguerre_rule(const RootBatchKernel& kernel, bool scaled, int n,
                   double* nodes, double* weights) {
  if (n < 1 || n > max_order || refused_for_tests) {
    return false;
  }
  bool decided = true;
  const bool found = rule_dd(kernel, n, [&](int j, NodeWeight r) {
    decided =
        decided &&
        round_scaled_value(r.node, 0, laguerre_node_error_exponent, &nodes[j]);
    if (scaled) {
      const Scaled factor = exponential(r.node);
      r.weight = mul(r.weight, factor.mantissa);
      r.exponent += factor.exponent;
    }
    decided = decided &&
              round_scaled_value(r.weight, r.exponent,
                                 scaled ? laguerre_scaled_weight_error_exponent
                                        : laguerre_weight_error_exponent,
                                 &weights[j]);
  });
  return found && decided;
}

void laguerre_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                      Dd* weights, int* weight_exponents) {
  if (n < 1 || n > max_order) {
    return;
  }
  rule_dd(kernel, n, [&](int j, NodeWeight r) {
    nodes[j] = r.node;
    weights[j] = r.weight;
    weight_exponents[j] = r.exponent;
  });
}

void set_laguerre_recurrence_refused(bool refused) {
  refused_for_tests = refused;
}

}  // namespace zemta::detail
