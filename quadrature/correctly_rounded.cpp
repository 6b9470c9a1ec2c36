#include "quadrature/correctly_rounded.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "quadrature/double_double.h"
#include "quadrature/predicted_search.h"

namespace zemta {

namespace detail {

// Ends above this are scaled by 2^large_end_shift before the mapping.
inline constexpr double large_end = 0x1p960;
inline constexpr int large_end_shift = 64;

namespace {

// P_n(x) and P_{n-1}(x) in double-double, by the three-term recurrence
// (k + 1) P_{k+1} = (2k + 1) x P_k - k P_{k-1}.
Dd legendre_dd(int n, Dd x, Dd* previous) {
  Dd p_prev = {1.0, 0.0};
  Dd p = x;
  for (int k = 1; k < n; ++k) {
    const Dd t = mul(mul(x, p), 2.0 * k + 1.0);
    const Dd next = div(sub(t, mul(p_prev, static_cast<double>(k))),
                        static_cast<double>(k + 1));
    p_prev = p;
    p = next;
  }
  *previous = p_prev;
  return p;
}

// P_n(x) and P_{n-1}(x) in double.
double legendre_double(int n, double x, double* previous) {
  double p_prev = 1.0;
  double p = x;
  for (int k = 1; k < n; ++k) {
    const double next = ((2.0 * k + 1.0) * x * p - k * p_prev) / (k + 1.0);
    p_prev = p;
    p = next;
  }
  *previous = p_prev;
  return p;
}

constexpr int max_double_steps = 50;
constexpr int dd_steps = 2;

struct NodeWeight {
  Dd node;
  Dd weight;
};

NodeWeight refine(int n, double guess) {
  const auto order = static_cast<double>(n);
  double x = guess;
  for (int i = 0; i < max_double_steps; ++i) {
    double q = 0.0;
    const double p = legendre_double(n, x, &q);
    const double dx = p * (1.0 - x * x) / (order * (q - x * p));
    x -= dx;
    if (std::fabs(dx) < 0x1p-50) {
      break;
    }
  }
  Dd xd = {x, 0.0};
  Dd p;
  Dd q;
  for (int i = 0; i < dd_steps; ++i) {
    p = legendre_dd(n, xd, &q);
    const Dd one_minus_x2 = mul(sub(Dd{1.0, 0.0}, xd), add(Dd{1.0, 0.0}, xd));
    const Dd d = mul(sub(q, mul(xd, p)), order);
    xd = sub(xd, div(mul(p, one_minus_x2), d));
  }
  p = legendre_dd(n, xd, &q);
  const Dd one_minus_x2 = mul(sub(Dd{1.0, 0.0}, xd), add(Dd{1.0, 0.0}, xd));
  const Dd d = mul(sub(q, mul(xd, p)), order);
  const Dd w = div(mul(one_minus_x2, 2.0), mul(d, d));
  return {xd, w};
}

double rounded(Dd v) { return v.hi + v.lo; }

void rule_dd(int n, Dd* x, Dd* w) {
  const int half = half_count(n);
  double approx[half_count(max_order)];
  predict_roots_asymptotic(n, half, approx);
  for (int j = 0; j < half; ++j) {
    NodeWeight r{};
    if (n % 2 == 1 && j == 0) {
      r = refine(n, 0.0);
      r.node = {0.0, 0.0};
    } else {
      r = refine(n, approx[j]);
    }
    x[j] = r.node;
    w[j] = r.weight;
  }
}

}  // namespace
}  // namespace detail

int correctly_rounded_rule(int n, double* nodes, double* weights) {
  if (!order_in_range(n)) {
    return 0;
  }
  const int half = half_count(n);
  detail::Dd x[half_count(max_order)];
  detail::Dd w[half_count(max_order)];
  detail::rule_dd(n, x, w);
  for (int j = 0; j < half; ++j) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    nodes[lower] = -detail::rounded(x[j]);
    nodes[upper] = detail::rounded(x[j]);
    weights[lower] = detail::rounded(w[j]);
    weights[upper] = weights[lower];
  }
  return n;
}

int correctly_rounded_rule(int n, double a, double b, double* nodes,
                           double* weights) {
  if (!order_in_range(n) || !std::isfinite(a) || !std::isfinite(b) ||
      !(a < b)) {
    return 0;
  }
  // Ends this large are scaled down by an exact power of two first, so that
  // neither a + b nor the splits of the products overflow; the rounded
  // results are scaled back, exactly, since they are at most max(|a|, |b|)
  // and (b - a) / 2.
  const double largest = std::fmax(std::fabs(a), std::fabs(b));
  const int shift = largest > detail::large_end ? detail::large_end_shift : 0;
  const double sa = std::ldexp(a, -shift);
  const double sb = std::ldexp(b, -shift);
  const detail::Dd sum = detail::two_sum(sa, sb);
  const detail::Dd difference = detail::two_sum(sb, -sa);
  const detail::Dd mid = {sum.hi * 0.5, sum.lo * 0.5};
  const detail::Dd radius = {difference.hi * 0.5, difference.lo * 0.5};

  const int half = half_count(n);
  detail::Dd x[half_count(max_order)];
  detail::Dd w[half_count(max_order)];
  detail::rule_dd(n, x, w);
  for (int j = 0; j < half; ++j) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    const detail::Dd offset = detail::mul(radius, x[j]);
    const double weight = detail::rounded(detail::mul(radius, w[j]));
    nodes[lower] =
        std::ldexp(detail::rounded(detail::sub(mid, offset)), shift);
    nodes[upper] =
        std::ldexp(detail::rounded(detail::add(mid, offset)), shift);
    weights[lower] = std::ldexp(weight, shift);
    weights[upper] = weights[lower];
  }
  return n;
}

}  // namespace zemta
