// Gauss-Lobatto and Gauss-Radau on [-1, 1], weight 1, from Gauss-Jacobi
// rules: the interior nodes of Lobatto's rule of order n are the nodes of
// the Jacobi (1, 1) rule of order n - 2 and its weights w_k / (1 - x_k^2),
// w_k the Jacobi weights (the Gauss rule of (1 - x^2) f is Lobatto's rule
// of f with the end terms gone, since they vanish there); the ends weigh
// 2 / (n (n - 1)). Radau's rule fixes -1: its other nodes are the Jacobi
// (0, 1) rule's of order n - 1 with weights w_k / (1 + x_k), and -1 weighs
// 2 / n^2. radau-right fixes +1, the mirror: Jacobi (1, 0), w_k / (1 - x_k).
// The inner nodes and weights come first from Legendre's recurrence
// (lobatto_radau_recurrence.h), much faster; the engine takes the rule where
// that path cannot decide a value.
#include "rule/quadrature/families/family_rules.h"
#include "rule/quadrature/families/lobatto_radau_recurrence.h"

namespace zemta::detail {

int family_rule_lobatto_radau(const FamilyRequest& request, double* nodes,
                              double* weights, double* /*gauss_weights*/) {
  const int n = request.n;
  const RuleFamily family = request.family;
  const bool lobatto = family == RuleFamily::lobatto;
  const bool left = family == RuleFamily::radau;
  // The fixed nodes' exact weight, 2 / q times (b - a) / 2.
  const auto q = static_cast<std::uint32_t>(lobatto ? n * (n - 1) : n * n);
  const RuleMap map =
      request_map(request, lobatto ? WeightFactor::inverse_one_minus_square
                           : left  ? WeightFactor::inverse_one_plus
                                   : WeightFactor::inverse_one_minus);
  Dyadic end_weight_numerator = map.scale;
  end_weight_numerator.exponent += 1;
  const double end_weight = round_quotient(end_weight_numerator, q);
  const double low = request.on_interval ? request.a : -1.0;
  const double high = request.on_interval ? request.b : 1.0;
  const int first = lobatto || left ? 1 : 0;
  const int inner = lobatto ? n - 2 : n - 1;
  // The inner nodes by Legendre's recurrence first
  // (lobatto_radau_recurrence.h), the engine where that declines.
  const RootBatchKernel& kernel = best_root_batch_kernel();
  const bool by_recurrence =
      inner > 0 &&
      (lobatto
           ? lobatto_inner_rule(kernel, n, request.on_interval, request.a,
                                request.b, nodes + first, weights + first)
           : radau_inner_rule(kernel, n, !left, request.on_interval, request.a,
                              request.b, nodes + first, weights + first));
  if (inner > 0 && !by_recurrence) {
    const JacobiWeight w{lobatto || !left ? 1.0 : 0.0,
                         lobatto || left ? 1.0 : 0.0, inner};
    if (!tridiagonal_gauss_rule(make_jacobi_matrix, &w, inner, lobatto, map,
                                nodes + first, weights + first)) {
      return 0;
    }
  }
  if (lobatto || left) {
    nodes[0] = low;
    weights[0] = end_weight;
  }
  if (lobatto || !left) {
    nodes[n - 1] = high;
    weights[n - 1] = end_weight;
  }
  return n;
}

}  // namespace zemta::detail
