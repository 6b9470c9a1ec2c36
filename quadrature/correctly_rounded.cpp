#include "quadrature/correctly_rounded.h"

#include <cmath>

#include "quadrature/coefficients.h"
#include "quadrature/double_double.h"
#include "quadrature/predicted_search.h"

namespace zemta {

namespace detail {
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

}  // namespace
}  // namespace detail

int correctly_rounded_rule(int n, double* nodes, double* weights) {
  if (!order_in_range(n)) {
    return 0;
  }
  const int half = half_count(n);
  double approx[half_count(max_order)];
  predict_roots_asymptotic(n, half, approx);
  for (int j = 0; j < half; ++j) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    detail::NodeWeight r{};
    if (n % 2 == 1 && j == 0) {
      r = detail::refine(n, 0.0);
      r.node = {0.0, 0.0};
    } else {
      r = detail::refine(n, approx[j]);
    }
    nodes[lower] = -detail::rounded(r.node);
    nodes[upper] = detail::rounded(r.node);
    weights[lower] = detail::rounded(r.weight);
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
  return correctly_rounded_rule(n, nodes, weights);  // TODO
}

}  // namespace zemta
