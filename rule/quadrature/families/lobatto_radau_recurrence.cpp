// The inner nodes of the Gauss-Lobatto and Gauss-Radau rules by the
// method of the Gauss-Legendre rule (correctly_rounded.cpp).
//
// Lobatto's of order n are the roots of P_N' with N = n - 1, and their
// weights 2 / (N (N + 1) P_N(r)^2):
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
// The bounds (lobatto_radau_recurrence.h). A node: the errors of P_N and
// P_{N-1}, 2^-93 each, make P' wrong by at most 2N 2^-93 / s, and the node by
// that over |P''(r)| = lambda |P_N(r)| / s, so by 2^-92 / ((N + 1) |P_N(r)|);
// at the extrema of P_N, |P_N| is at least about sqrt(2 / (pi N)), so (N + 1)
// |P_N(r)| > 1.3 for every N >= 3, and the node is within 2^-92. A weight:
// relative to it, twice P_N(r)'s error over |P_N(r)|, 2^-92 sqrt(pi N / 2) <
// 2^-86 for N < 1000, within 2^-83. The tests labelled full hold every
// value of every order to these bounds against 256-bit arithmetic.
//
// Radau's of order n (the end -1 fixed) are the roots of F = P_n + P_{n-1}
// other than -1, and their weights (1 - r) / (n^2 P_{n-1}(r)^2):
//
// 1. Starting points. F / (1 + x) is a multiple of P_{n-1}^(0,1): angles
//    near j_{0,k} / sqrt(n^2 - 1/6) counted from 1 and pi - j_{1,k} / n
//    counted from -1 (Gatteschi), each used on its half, the Bessel zeros
//    from McMahon's expansions (j_{0,k}: beta + 1 / (8 beta) - 31 / (384
//    beta^3), beta = (k - 1/4) pi).
// 2. Newton in double on F, then P = P_n(x0) and Q = P_{n-1}(x0) in
//    double-double, as for Lobatto.
// 3. F' = n (Q - P) / (1 - x0), whose two terms add at a root (P = -Q
//    there); Q' = n (x0 Q - P) / s and Q'' = (2 x0 Q' - n (n - 1) Q) / s
//    (double-double), Q''' and F'' = P'' + Q'' in double; d = d1 - F'' /
//    (2 F') d1^2 with d1 = -F / F', and Q(r) = Q + d (Q' + d (Q'' / 2 + d
//    Q''' / 6)). What they leave out is of the same orders as Lobatto's,
//    below 2^-110 (the outermost nodes have s > 2^-16).
//
// The bounds (lobatto_radau_recurrence.h). A node: F's error is at most 2^-92,
// and |F'(r)| = 2n |Q(r)| / (1 - r); at a root P_n = -P_{n-1}, so that |Q|
// is about A sin(theta / 2), A = sqrt(2 / (pi n sin theta)) the envelope,
// and the node is within 2^-92 sin(theta / 2) / (n A) < 2^-92. A weight:
// twice Q(r)'s error over |Q(r)|, smallest at the node nearest 1, where it
// is about 0.6 / n: 2^-92 n / 0.6 < 2^-81 for n < 1000, within 2^-80; the
// node's error moves 1 - r by far less than 2^-90 of it (near 1 the node's
// bound is about 2^-92 / n^2).
//
// Each value is then rounded by recurrence_rules.h only where its bound
// decides it; one it does not decide (none at any order on [-1, 1]) sends
// the whole rule to the engine. So do Newton's nodes if they are not
// ascending and apart as the roots are (they always are): the rule would
// then hold a root twice or miss one.
#include "rule/quadrature/families/lobatto_radau_recurrence.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "rule/quadrature/exact_value.h"
#include "rule/quadrature/recurrence_rules.h"

namespace zemta::detail {
namespace {

bool refused_for_tests = false;

// pi to double precision: it only places starting points.
constexpr double pi = 0x1.921fb54442d18p1;

// Every inner node of an order up to 1000 is more than this from the next
// and from the ends (the least gap, at an end, is about 7 / n^2 > 2^-18).
constexpr double least_gap = 0x1p-24;

// The positive zeros of J_0 and J_1 by McMahon's expansions.
double bessel_zero_0(int k) {
  const double beta = (k - 0.25) * pi;
  return beta + 0.125 / beta - 0.080729166666666667 / (beta * beta * beta);
}
double bessel_zero_1(int k) {
  const double beta = (k + 0.25) * pi;
  return beta - 0.375 / beta + 0.0234375 / (beta * beta * beta);
}

// Starting point for the non-negative inner node j of Lobatto's order n
// (ascending, j = 0 the smallest): exactly 0 for the middle node of an odd
// count.
double lobatto_start(int n, int j) {
  const int inner = n - 2;
  if (inner % 2 == 1 && j == 0) {
    return 0.0;
  }
  const double order = n - 1.0;
  return start_cosine(bessel_zero_1(half_count(inner) - j) /
                      std::sqrt(order * (order + 1.0)));
}

// Starting point for the inner node j of Radau's order n (ascending, j = 0
// the one nearest -1).
double radau_start(int n, int j) {
  const int inner = n - 1;
  const int k = inner - j;  // counted from 1
  const double order = n;
  if (2 * k <= inner + 1) {
    return start_cosine(bessel_zero_0(k) /
                        std::sqrt(order * order - 1.0 / 6.0));
  }
  return -start_cosine(bessel_zero_1(j + 1) / order);
}

struct NodeWeight {
  Dd node;
  Dd weight;
};

// Lobatto's step 3 for one root: x0 within 2^-47 of the root r of P_N',
// p = P_N(x0) and q = P_{N-1}(x0) in double-double.
NodeWeight lobatto_finish(int order_n, double x0, Dd p, Dd q) {
  const auto order = static_cast<double>(order_n);
  const double eigen = order * (order + 1.0);  // exact: below 2^20
  if (x0 == 0.0) {
    // The middle node: 0 exactly, P' = 0 there.
    return {{0.0, 0.0}, div(Dd{2.0, 0.0}, mul(mul(p, p), eigen))};
  }
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

// Radau's step 3: x0 within 2^-47 of a root r of P_n + P_{n-1}, p = P_n(x0)
// and q = P_{n-1}(x0) in double-double.
NodeWeight radau_finish(int order_n, double x0, Dd p, Dd q) {
  const auto order = static_cast<double>(order_n);
  const double up = order * (order + 1.0);    // exact
  const double down = (order - 1.0) * order;  // exact
  const Dd s = sub(Dd{1.0, 0.0}, two_prod(x0, x0));
  const Dd one_minus = two_sum(1.0, -x0);
  const Dd dp = div(mul(sub(q, mul(p, x0)), order), s);
  const Dd dq = div(mul(sub(mul(q, x0), p), order), s);
  const Dd d2q = div(sub(mul(dq, 2.0 * x0), mul(q, down)), s);
  const double d2p = (2.0 * x0 * dp.hi - up * p.hi) / s.hi;
  const double d3q = (4.0 * x0 * d2q.hi + (2.0 - down) * dq.hi) / s.hi;
  const Dd f = add(p, q);
  const Dd f1 = div(mul(sub(q, p), order), one_minus);
  const Dd d1 = neg(div(f, f1));
  const double curvature = (d2p + d2q.hi) / (2.0 * f1.hi);
  const Dd d = sub(d1, Dd{curvature * d1.hi * d1.hi, 0.0});
  const Dd taylor = add(mul(d2q, 0.5), Dd{d3q * d.hi / 6.0, 0.0});
  const Dd value = add(q, mul(d, add(dq, mul(taylor, d))));
  return {add(Dd{x0, 0.0}, d),
          div(sub(one_minus, d), mul(mul(value, value), order * order))};
}

// The rule's inner nodes as Newton found them must ascend and stand apart,
// as its roots do, from the lowest bound on: each is checked as it comes,
// and the last against the highest bound.
class Ascent {
 public:
  explicit Ascent(double low) : below_(low) {}
  bool next(double x) {
    const bool apart = x - below_ > least_gap;
    below_ = x;
    return apart;
  }
  [[nodiscard]] bool ends_below(double high) const {
    return high - below_ > least_gap;
  }

 private:
  double below_;
};

// Calls emit(j, node, weight) for each of count nodes, ascending, with the
// node and weight in double-double: the batch polishes start(j) for
// target at degree, and finish(degree, x0, p, q) makes them. false if
// Newton's nodes do not ascend apart from low to high (emit may have been
// called).
template <class Start, class Finish, class Emit>
bool inner_dd(const RootBatchKernel& kernel, RootTarget target, int degree,
              int count, double low, double high, Start start, Finish finish,
              Emit emit) {
  double starts[max_root_batch];
  double x0[max_root_batch];
  Dd p[max_root_batch];
  Dd q[max_root_batch];
  Ascent ascent(low);
  for (int first = 0; first < count; first += kernel.lanes) {
    const int batch =
        count - first < kernel.lanes ? count - first : kernel.lanes;
    for (int l = 0; l < batch; ++l) {
      starts[l] = start(first + l);
    }
    kernel.refine(target, degree, batch, starts, x0, p, q);
    for (int l = 0; l < batch; ++l) {
      if (!ascent.next(x0[l])) {
        return false;
      }
      const NodeWeight r = finish(degree, x0[l], p[l], q[l]);
      emit(first + l, r.node, r.weight);
    }
  }
  return ascent.ends_below(high);
}

// Lobatto's non-negative inner nodes (above 0 unless the first is the
// middle one, 0 itself).
template <class Emit>
bool lobatto_dd(const RootBatchKernel& kernel, int n, Emit emit) {
  const int inner = n - 2;
  return inner_dd(
      kernel, RootTarget::derivative, n - 1, half_count(inner),
      inner % 2 == 1 ? -1.0 : 0.0, 1.0,
      [n](int j) { return lobatto_start(n, j); }, lobatto_finish, emit);
}

template <class Emit>
bool radau_dd(const RootBatchKernel& kernel, int n, Emit emit) {
  return inner_dd(
      kernel, RootTarget::sum_with_previous, n, n - 1, -1.0, 1.0,
      [n](int j) { return radau_start(n, j); }, radau_finish, emit);
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
  const bool found = lobatto_dd(kernel, n, [&](int j, Dd x, Dd w) {
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

bool radau_inner_rule(const RootBatchKernel& kernel, int n, bool right,
                      bool on_interval, double a, double b, double* nodes,
                      double* weights) {
  if (n < 2 || n > max_order || refused_for_tests) {
    return false;
  }
  const MappedFrame frame =
      on_interval ? mapped_frame(a, b) : mapped_frame(-1.0, 1.0);
  const int inner = n - 1;
  bool decided = true;
  const bool found = radau_dd(kernel, n, [&](int j, Dd x, Dd w) {
    // radau-right is radau's mirror image.
    const int at = right ? inner - 1 - j : j;
    decided = decided &&
              round_mapped_node(frame, x, radau_node_error_exponent,
                                right ? -1 : 1, &nodes[at]) &&
              round_mapped_weight(frame, w, radau_weight_error_exponent,
                                  &weights[at]);
  });
  return found && decided;
}

void set_lobatto_radau_recurrence_refused(bool refused) {
  refused_for_tests = refused;
}

void lobatto_inner_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                           Dd* weights) {
  if (n < 3 || n > max_order) {
    return;
  }
  lobatto_dd(kernel, n, [&](int j, Dd x, Dd w) {
    nodes[j] = x;
    weights[j] = w;
  });
}

void radau_inner_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                         Dd* weights) {
  if (n < 2 || n > max_order) {
    return;
  }
  radau_dd(kernel, n, [&](int j, Dd x, Dd w) {
    nodes[j] = x;
    weights[j] = w;
  });
}

}  // namespace zemta::detail
