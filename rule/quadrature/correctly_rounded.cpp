// The correctly rounded rule: each root of P_n found in double, then one
// second-order step in double-double that lands within about 2^-95 of the
// exact root, and the weight from the same evaluation.
//
// 1. Starting points. Tricomi's asymptotic form of the roots
//    (asymptotic_root, predicted_search.h), with a cosine computed from
//    IEEE operations (start_cosine, recurrence_rules.h), so that every
//    platform starts from the same bits.
// 2. Newton in double, until a step moves the root by at most
//    polished_step: the root x0 is then within a few ulps of the exact
//    root r, |x0 - r| < 2^-47.
// 3. P_n(x0) and P_{n-1}(x0) in double-double, by the three-term
//    recurrence: the only costly step, a recurrence of n steps per root,
//    run on several roots side by side in vector lanes (root_batch.h;
//    steps 1 and 2 run there too).
// 4. From those, per root: P_n', P_n'' (double-double) and P_n''' (double)
//    at x0 by Legendre's equation, the correction d = r - x0 to second
//    order, d = d1 - P_n''/(2 P_n') d1^2 with d1 = -P_n/P_n', and P_n'(r)
//    by Taylor's series to second order. What these series leave out is of
//    third order in d, relative to P_n' about (d / (1 - x^2))^2 d and
//    n^2 d^3 / (1 - x^2): under 2^-110 for every root, since |d| < 2^-47
//    where 1 - x^2 > 2^-4, and near the ends, where 1 / (1 - x^2) reaches
//    2^18, d is a few ulps of x0, under 2^-50.
// 5. The node r = x0 + d and the weight w = 2 / ((1 - r^2) P_n'(r)^2) in
//    double-double, each rounded once to the nearest double.
//
// Why the rounding is right: before its one rounding, a node is within
// about 2^-95 of the exact root (the recurrence's error, below 2^-93,
// divided by |P_n'(r)| > 1), and a weight within about 2^-85 relative (the
// same error against a |P_{n-1}(r)| as small as 2^-10), so within 2^-32
// ulp: each rounds to the nearest double unless its exact value lies that
// close to a midpoint between two doubles. The tests labelled full check
// every value of every order against 256-bit arithmetic and report how
// close to a midpoint any exact value comes, just under 2^-21 ulp
// (0x1.ccfp-22), and the largest errors before the rounding, under 2^-106
// for a node and 2^-90 relative for a weight, under 2^-36 ulp either (they
// hold each to its bound above): far inside the bounds, and the bounds far
// inside the margin.
// On [a, b] (correctly_rounded_rule with ends): twice each node and weight,
// (a + b) + (b - a) x and (b - a) w, in double-double from the exact sum
// and difference of the (scaled) ends, each with a bound on its error from
// the bounds above (recurrence_rules.cpp says how). A
// value is kept only when the bound puts it strictly inside the rounding
// cell of one double at the true quantum; any other value, and every
// value when the fast path is refused (interval_rule.h, for the tests),
// goes to exact_value.h. The fast path's bits are therefore the nearest
// double wherever it keeps them, so it changes nothing it already had
// right; on [-1, 1] its bounds, under 2^-28 ulp, are far inside the
// (about) 2^-21 ulp by which every exact value there misses a midpoint, so
// it keeps every value.
// Every step is a fixed sequence of IEEE additions, subtractions,
// multiplications and divisions, lane by lane, with no fused multiply-add
// and no library function but exact ones (fabs, ldexp), so every platform
// computes these same bits.
#include "rule/quadrature/correctly_rounded.h"

#include <algorithm>
#include <cmath>

#include "common/double_double.h"
#include "quadrature/coefficients.h"
#include "quadrature/predicted_search.h"
#include "rule/quadrature/big_binary.h"
#include "rule/quadrature/exact_value.h"
#include "rule/quadrature/interval_rule.h"
#include "rule/quadrature/recurrence_rules.h"
#include "rule/quadrature/root_batch.h"

namespace zemta {

namespace detail {
namespace {

// Starting point for the non-negative root j (ascending, j = 0 the
// smallest) of P_n: Tricomi's form, exactly 0 for the middle root of an
// odd order.
double starting_root(int n, int j) {
  if (n % 2 == 1 && j == 0) {
    return 0.0;
  }
  const AsymptoticRoot root = asymptotic_root(n, half_count(n) - j);
  return root.scale * start_cosine(root.angle);
}

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
  const Dd slope = add(add(d1p, mul(d2p, d)), Dd{d3p * d.hi * d.hi / 2.0, 0.0});
  const Dd s_root = sub(s, add(mul(d, 2.0 * x0), Dd{d.hi * d.hi, 0.0}));
  return {add(Dd{x0, 0.0}, d),
          div(Dd{2.0, 0.0}, mul(s_root, mul(slope, slope)))};
}

// The errors before the rounding, from the comment at the top: the root
// within 2^-95 absolute, taken as 2^-92, and the weight on [-1, 1] within
// 2^-85 relative, taken as 2^-83 (recurrence_rules.h adds the map's).
constexpr int node_error_exponent = -92;
constexpr int weight_error_exponent = -83;

// The double nearest hi + lo (ties to even): one IEEE addition. For a
// normalized double-double it is hi itself.
double rounded(Dd v) { return v.hi + v.lo; }

// Calls emit(j, node, weight) for each non-negative root j of P_n,
// ascending, with the node and weight in double-double.
template <class Emit>
void rule_dd(const RootBatchKernel& kernel, int n, Emit emit) {
  const int half = half_count(n);
  double start[max_root_batch];
  double x0[max_root_batch];
  Dd p[max_root_batch];
  Dd q[max_root_batch];
  for (int first = 0; first < half; first += kernel.lanes) {
    const int count = half - first < kernel.lanes ? half - first : kernel.lanes;
    for (int l = 0; l < count; ++l) {
      start[l] = starting_root(n, first + l);
    }
    kernel.refine(RootTarget::polynomial, n, count, start, x0, p, q);
    for (int l = 0; l < count; ++l) {
      const NodeWeight r = finish(n, x0[l], p[l], q[l]);
      emit(first + l, r.node, r.weight);
    }
  }
}

}  // namespace

extern const RootBatchKernel portable_root_batch;
#if defined(__x86_64__) || defined(__i386__)
extern const RootBatchKernel avx2_root_batch;
extern const RootBatchKernel avx512_root_batch;
#endif

namespace {

// This build's root-batch kernels, the fastest first.
constexpr KernelOfVariant<RootBatchKernel> root_batch_kernels[] = {
#if defined(__x86_64__) || defined(__i386__)
    {KernelVariant::avx512, &avx512_root_batch},
    {KernelVariant::avx2, &avx2_root_batch},
#endif
    {KernelVariant::portable, &portable_root_batch}};

}  // namespace

const RootBatchKernel* root_batch_kernel(KernelVariant variant) {
  return kernel_of(root_batch_kernels, variant);
}

const RootBatchKernel& best_root_batch_kernel() {
  return first_runnable(root_batch_kernels);
}

int correctly_rounded_rule(const RootBatchKernel& kernel, int n, double* nodes,
                           double* weights) {
  if (!order_in_range(n)) {
    return 0;
  }
  const int half = half_count(n);
  rule_dd(kernel, n, [&](int j, detail::Dd x, detail::Dd w) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;  // upper itself for the middle node
    nodes[lower] = -rounded(x);
    nodes[upper] = rounded(x);
    weights[lower] = rounded(w);
    weights[upper] = weights[lower];
  });
  return n;
}

void correctly_rounded_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                               Dd* weights) {
  if (!order_in_range(n)) {
    return;
  }
  rule_dd(kernel, n, [&](int j, Dd x, Dd w) {
    nodes[j] = x;
    weights[j] = w;
  });
}

int correctly_rounded_rule(const RootBatchKernel& kernel, int n, double a,
                           double b, double* nodes, double* weights,
                           FastRounding fast, IntervalCounts* counts) {
  if (!order_in_range(n) || !std::isfinite(a) || !std::isfinite(b) ||
      !(a < b)) {
    return 0;
  }
  IntervalCounts tally;
  const MappedFrame frame = mapped_frame(a, b);
  const bool try_fast = fast == FastRounding::allowed;
  const int half = half_count(n);
  rule_dd(kernel, n, [&](int j, Dd x, Dd w) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    // The middle node of an odd order is (a + b)/2 exactly.
    if (x.hi == 0.0) {
      nodes[upper] = dyadic_round(half_sum(a, b));
      ++tally.exact_values;
    } else {
      const int targets[2] = {upper, lower};
      const int signs[2] = {1, -1};
      for (int side = 0; side < 2; ++side) {
        double& out = nodes[targets[side]];
        if (!try_fast || !round_mapped_node(frame, x, node_error_exponent,
                                            signs[side], &out)) {
          int bits = 0;
          out = exact_mapped_node(n, x, a, b, signs[side], &bits);
          ++tally.slow_nodes;
          tally.largest_bits = std::max(tally.largest_bits, bits);
        }
      }
    }
    double& weight = weights[upper];
    if (n == 2) {
      // Both weights of order 2 are 1: the weight is (b - a)/2 exactly.
      weight = dyadic_round(half_difference(a, b));
      ++tally.exact_values;
    } else if (!try_fast ||
               !round_mapped_weight(frame, w, weight_error_exponent, &weight)) {
      int bits = 0;
      weight = exact_mapped_weight(n, x, a, b, &bits);
      ++tally.slow_weights;
      tally.largest_bits = std::max(tally.largest_bits, bits);
    }
    weights[lower] = weight;
  });
  if (counts != nullptr) {
    counts->slow_nodes += tally.slow_nodes;
    counts->slow_weights += tally.slow_weights;
    counts->exact_values += tally.exact_values;
    counts->largest_bits = std::max(counts->largest_bits, tally.largest_bits);
  }
  return n;
}

}  // namespace detail

int correctly_rounded_rule(int n, double* nodes, double* weights) {
  return detail::correctly_rounded_rule(detail::best_root_batch_kernel(), n,
                                        nodes, weights);
}

int correctly_rounded_rule(int n, double a, double b, double* nodes,
                           double* weights) {
  return detail::correctly_rounded_rule(detail::best_root_batch_kernel(), n, a,
                                        b, nodes, weights,
                                        detail::FastRounding::allowed, nullptr);
}

}  // namespace zemta
