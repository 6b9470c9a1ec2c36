#include "rule/quadrature/families.h"

#include "quadrature/coefficients.h"
#include "rule/quadrature/correctly_rounded.h"

namespace zemta {

int family_node_count(RuleFamily family, int n) {
  return family == RuleFamily::kronrod ? 2 * n + 1 : n;
}

bool family_is_symmetric(const FamilyRequest& request) {
  switch (request.family) {
    case RuleFamily::radau:
    case RuleFamily::radau_right:
    case RuleFamily::laguerre:
      return false;
    case RuleFamily::jacobi:
      return request.alpha == request.beta;
    default:
      return true;
  }
}

bool family_is_available(RuleFamily family) {
  return family == RuleFamily::legendre;
}

int family_rule(const FamilyRequest& request, double* nodes, double* weights,
                double* /*gauss_weights*/) {
  if (request.family != RuleFamily::legendre || request.n < min_order ||
      request.n > max_order) {
    return 0;
  }
  return request.on_interval
             ? correctly_rounded_rule(request.n, request.a, request.b, nodes,
                                      weights)
             : correctly_rounded_rule(request.n, nodes, weights);
}

}  // namespace zemta
