// Gauss-Legendre: the correctly rounded rule of correctly_rounded.h, on
// [-1, 1] or on an interval, which has its own proven path rather than the
// tridiagonal engine.
#include "rule/quadrature/correctly_rounded.h"
#include "rule/quadrature/families/family_rules.h"

namespace zemta::detail {

int family_rule_legendre(const FamilyRequest& request, double* nodes,
                         double* weights, double* /*gauss_weights*/) {
  return request.on_interval
             ? correctly_rounded_rule(request.n, request.a, request.b, nodes,
                                      weights)
             : correctly_rounded_rule(request.n, nodes, weights);
}

}  // namespace zemta::detail
