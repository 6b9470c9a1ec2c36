// The inner nodes of the Gauss-Lobatto rule of order n, the roots of P_N'
// with N = n - 1, and their weights 2 / (N (N + 1) P_N(r)^2), by the
// method of the Gauss-Legendre rule (correctly_rounded.cpp):
//
// 1. Starting points. P_N' is a multiple of the Jacobi polynomial
//    P_{N-1}^(1,1), whose roots have angles (r = cos theta) near j_{1,k} /
//    sqrt(N (N + 1)), j_{1,k} the k-th positive zero of the Bessel function
//    J_1 (Gatteschi's approximation; k = 1 is the node nearest 1), taken
//    from McMahon's expansion beta - 3 / (8 beta) + 3 / (128 beta^3), beta
//    = (k + 1/4) pi. They only have to be near: Newton finds the node.
// 2. Newton in double on P_N' (root_batch.h), until a step moves the root
//    by at most 2^-40, which leaves |x0 - r| under 2^-60 (the step's
//    quadratic term, 2/s times its square) plus a few ulps; then P_N(x0)
//    and P_{N-1}(x0) in double-double, each within 2^-93 of its value.
// 3. With s = 1 - x0^2 and lambda = N (N + 1): P' = N (P_{N-1} - x0 P) / s,
//    and by Legendre's equation P'' = (2 x0 P' - lambda P) / s and P''' =
//    (4 x0 P'' + (2 - lambda) P') / s (in double). The correction d = r -
//    x0 to second order, d = d1 - P''' / (2 P'') d1^2 with d1 = -P' / P'',
//    and P_N(r) = P + d (P' + d (P'' / 2 + d P''' / 6)) by Taylor's series.
//    At the root, P''' / P'' = 4x / s and P'''' / P'' = 24 x^2 / s^2 + (6 -
//    lambda) / s, so what the correction leaves out is about (16 / s^2 +
//    lambda / s) d^3: under 2^-110 where s > 2^-4 (|d| < 2^-47, lambda <
//    2^20), and at the outermost node, where s > 2^-17 (theta above 3.8 /
//    N) and d is a few ulps, under 2^-112. What P_N(r)'s series leaves out
//    is about lambda d^4 P'''' / 24, relative to P_N under 2^-120.
//
// The bounds (lobatto_rule.h). A node: the errors of P_N and P_{N-1}, 2^-93
// each, make P' wrong by at most 2N 2^-93 / s, and the node by that over
// |P''(r)| = lambda |P_N(r)| / s, so by 2^-92 / ((N + 1) |P_N(r)|); at the
// extrema of P_N, |P_N| is at least about sqrt(2 / (pi N)), so (N + 1)
// |P_N(r)| > 1.3 for every N >= 3, and the node is within 2^-92. A weight:
// relative to it, twice P_N(r)'s error over |P_N(r)|, 2^-92 sqrt(pi N / 2) <
// 2^-86 for N < 1000, within 2^-83. The tests labelled full hold every
// value of every order to these bounds against 256-bit arithmetic.
//
// Each value is then rounded by legendre_rounding.h only where its bound
// decides it; one it does not decide (none at any order on [-1, 1]) sends
// the whole rule to the engine. So do Newton's nodes if they are not
// ascending and apart as the roots are (they always are): the rule would
// then hold a root twice or miss one.
#include "rule/quadrature/lobatto_rule.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "rule/quadrature/exact_value.h"
#include "rule/quadrature/legendre_rounding.h"

namespace zemta::detail {
namespace {

// pi to double precision: it only places starting points.
constexpr double pi = 0x1.921fb54442d18p1;

// Every inner node of an order up to 1000 is more than this from the next
// and from 1 (the least gap, at the end, is about 7 / N^2 > 2^-18).
constexpr double least_gap = 0x1p-24;

bool refused_for_tests = false;

// Starting point for the non-negative inner node j of order n (ascending,
// j = 0 the smallest): exactly 0 for the middle node of an odd count.
double starting_node(int n, int j) {
  const int inner = n - 2;
  if (inner % 2 == 1 && j == 0) {
    return 0.0;
  }
  const int k = half_count(inner) - j;
  const double beta = (k + 0.25) * pi;
  const double zero = beta - 0.375 / beta + 0.0234375 / (beta * beta * beta);
  const double order = n - 1.0;
  return start_cosine(zero / std::sqrt(order * (order + 1.0)));
}

struct NodeWeight {
  Dd node;
  Dd weight;
};

// Step 3 for one root: x0 within 2^-47 of the root r of P_N', p = P_N(x0)
// and q = P_{N-1}(x0) in double-double.
NodeWeight finish(int order_n, double x0, Dd p, Dd q) {
  if (x0 == 0.0) {
    // The middle node: 0 exactly, P' = 0 there.
    const double eigen = static_cast<double>(order_n) * (order_n + 1.0);
    return {{0.0, 0.0}, div(Dd{2.0, 0.0}, mul(mul(p, p), eigen))};
  }
  const auto order = static_cast<double>(order_n);
  const double eigen = order * (order + 1.0);  // exact: below 2^20
  const Dd s = sub(Dd{1.0, 0.0}, two_prod(x0, x0));
  const Dd d1p = div(mul(sub(q, mul(p, x0)), order), s);
  const Dd d2p = div(sub(mul(d1p, 2.0 * x0), mul(p, eigen)), s);
  const double d3p = (4.0 * x0 * d2p.hi + (2.0 - eigen) * d1p.hi) / s.hi;
  const Dd d1 = neg(div(d1p, d2p));
  const double curvature = d3p / (2.0 * d2p.hi);
  const Dd d = sub(d1, Dd{curvature * d1.hi * d1.hi, 0.0});
  const Dd taylor = add(mul(d2p, 0.5), Dd{d3p * d.hi / 6.0, 0.0});
  const Dd value = add(p, mul(d, add(d1p, mul(taylor, d))));
  return {add(Dd{x0, 0.0}, d),
          div(Dd{2.0, 0.0}, mul(mul(value, value), eigen))};
}

// Calls emit(j, node, weight) for each non-negative inner node j of order
// n, ascending, with the node and weight in double-double; false if
// Newton's nodes are not ascending and apart (emit may have been called).
template <class Emit>
bool inner_dd(const RootBatchKernel& kernel, int n, Emit emit) {
  const int half = half_count(n - 2);
  double start[max_root_batch];
  double x0[max_root_batch];
  Dd p[max_root_batch];
  Dd q[max_root_batch];
  // The node before (the first is above 0 unless it is the middle one).
  double below = (n - 2) % 2 == 1 ? -1.0 : 0.0;
  for (int first = 0; first < half; first += kernel.lanes) {
    const int count = half - first < kernel.lanes ? half - first : kernel.lanes;
    for (int l = 0; l < count; ++l) {
      start[l] = starting_node(n, first + l);
    }
    kernel.refine(RootTarget::derivative, n - 1, count, start, x0, p, q);
    for (int l = 0; l < count; ++l) {
      if (!(x0[l] - below > least_gap)) {
        return false;
      }
      below = x0[l];
      const NodeWeight r = finish(n - 1, x0[l], p[l], q[l]);
      emit(first + l, r.node, r.weight);
    }
  }
  return 1.0 - below > least_gap;
}

}  // namespace

bool lobatto_inner_rule(const RootBatchKernel& kernel, int n, bool on_interval,
                        double a, double b, double* nodes, double* weights) {
  if (n < 3 || n > max_order || refused_for_tests) {
    return false;
  }
  if (!on_interval) {
    a = -1.0;
    b = 1.0;
  }
  const MappedFrame frame = mapped_frame(a, b);
  const int inner = n - 2;
  const int half = half_count(inner);
  bool decided = true;
  const bool found = inner_dd(kernel, n, [&](int j, Dd x, Dd w) {
    const int upper = inner - half + j;
    const int lower = inner - 1 - upper;
    if (x.hi == 0.0) {
      nodes[upper] = dyadic_round(half_sum(a, b));
    } else {
      decided = decided &&
                round_mapped_node(frame, x, lobatto_node_error_exponent, 1,
                                  &nodes[upper]) &&
                round_mapped_node(frame, x, lobatto_node_error_exponent, -1,
                                  &nodes[lower]);
    }
    decided =
        decided && round_mapped_weight(frame, w, lobatto_weight_error_exponent,
                                       &weights[upper]);
    weights[lower] = weights[upper];
  });
  return found && decided;
}

void set_lobatto_recurrence_refused(bool refused) {
  refused_for_tests = refused;
}

void lobatto_inner_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                           Dd* weights) {
  if (n < 3 || n > max_order) {
    return;
  }
  inner_dd(kernel, n, [&](int j, Dd x, Dd w) {
    nodes[j] = x;
    weights[j] = w;
  });
}

}  // namespace zemta::detail
