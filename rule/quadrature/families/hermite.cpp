// Gauss-Hermite on the whole line: weight e^(-x^2), a_k = 0, b_k^2 = k / 2,
// mu0 = sqrt(pi); the probabilists' kind, weight e^(-x^2/2), b_k^2 = k, mu0 =
// sqrt(2 pi). --scaled multiplies each weight by the weight function's
// inverse at its node, e^(x^2) or e^(x^2/2).
#include <cstddef>

#include "rule/quadrature/families/family_rules.h"
#include "rule/quadrature/families/hermite_recurrence.h"

namespace zemta::detail {
namespace {

struct HermiteKind {
  bool probabilists;
  int order;
};

bool make_hermite_matrix(const void* context, int bits, JacobiMatrix* out) {
  const auto& kind = *static_cast<const HermiteKind*>(context);
  out->a.assign(static_cast<std::size_t>(kind.order), ball_from_int(0));
  out->b2.clear();
  for (int k = 1; k < kind.order; ++k) {
    const Ball b2 = ball_from_int(k);
    out->b2.push_back(kind.probabilists ? b2 : ball_mul_2exp(b2, -1));
  }
  const Ball pi = ball_pi(bits);
  out->mu0 = ball_sqrt(kind.probabilists ? ball_mul_2exp(pi, 1) : pi, bits);
  return !out->mu0.whole;
}

}  // namespace

int family_rule_hermite(const FamilyRequest& request, double* nodes,
                        double* weights, double* /*gauss_weights*/) {
  const bool probabilists = request.family == RuleFamily::hermite_prob;
  const HermiteKind kind{probabilists, request.n};
  const WeightFactor factor = !request.scaled ? WeightFactor::one
                              : probabilists  ? WeightFactor::exp_half_square
                                              : WeightFactor::exp_square;
  // From Hermite's recurrence first (hermite_recurrence.h), the engine
  // where that declines.
  if (hermite_rule(best_root_batch_kernel(), probabilists, request.scaled,
                   request.n, nodes, weights)) {
    return request.n;
  }
  return tridiagonal_gauss_rule(make_hermite_matrix, &kind, request.n, true,
                                identity_map(factor), nodes, weights)
             ? request.n
             : 0;
}

}  // namespace zemta::detail
