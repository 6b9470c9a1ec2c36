#include "rule/quadrature/families.h"

#include <cmath>
#include "quadrature/coefficients.h"

#include "rule/quadrature/correctly_rounded.h"
#include "rule/quadrature/families/family_rules.h"
#include "rule/quadrature/families/kronrod.h"

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

namespace {

bool parameter_ok(bool taken, double v) {
  return taken ? std::isfinite(v) && v > -1.0 : v == 0.0;
}

// The request inside the domain families.h states.
bool request_ok(const FamilyRequest& request) {
  const RuleFamilyName& entry = family_entry(request.family);
  if (entry.family != request.family) {
    return false;
  }
  const int least =
      request.family == RuleFamily::legendre ? min_order : entry.min_order;
  if (request.n < least || request.n > max_order) {
    return false;
  }
  if (!parameter_ok(entry.takes_alpha, request.alpha) ||
      !parameter_ok(entry.takes_beta, request.beta)) {
    return false;
  }
  if (request.scaled && !entry.scalable) {
    return false;
  }
  if (request.on_interval &&
      (entry.domain != FamilyDomain::finite || !std::isfinite(request.a) ||
       !std::isfinite(request.b) || !(request.a < request.b))) {
    return false;
  }
  return true;
}

}  // namespace

int family_rule(const FamilyRequest& request, double* nodes, double* weights,
                double* gauss_weights) {
  if (!request_ok(request)) {
    return 0;
  }
  switch (request.family) {
    case RuleFamily::legendre:
      return request.on_interval
                 ? correctly_rounded_rule(request.n, request.a, request.b,
                                          nodes, weights)
                 : correctly_rounded_rule(request.n, nodes, weights);
    case RuleFamily::lobatto:
    case RuleFamily::radau:
    case RuleFamily::radau_right:
      return detail::lobatto_radau_family_rule(request, nodes, weights);
    case RuleFamily::chebyshev1:
    case RuleFamily::chebyshev2:
      return detail::chebyshev_family_rule(request, nodes, weights);
    case RuleFamily::hermite:
    case RuleFamily::hermite_prob:
      return detail::hermite_family_rule(request, nodes, weights);
    case RuleFamily::laguerre:
      return detail::laguerre_family_rule(request, nodes, weights);
    case RuleFamily::jacobi:
      return detail::jacobi_family_rule(request, nodes, weights);
    case RuleFamily::kronrod:
      return detail::kronrod_family_rule(request, nodes, weights,
                                         gauss_weights);
  }
  return 0;
}

}  // namespace zemta
