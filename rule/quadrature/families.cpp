#include "rule/quadrature/families.h"

#include <array>
#include <cmath>
#include <cstddef>
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

// Each family's computation, in the order of RuleFamily (so of
// rule_family_names); gauss_weights is filled by kronrod alone.
using FamilyComputation = int (*)(const FamilyRequest&, double* nodes,
                                  double* weights, double* gauss_weights);

int legendre_rule(const FamilyRequest& request, double* nodes, double* weights,
                  double* /*gauss_weights*/) {
  return request.on_interval
             ? correctly_rounded_rule(request.n, request.a, request.b, nodes,
                                      weights)
             : correctly_rounded_rule(request.n, nodes, weights);
}

template <int (*rule)(const FamilyRequest&, double*, double*)>
int without_gauss_weights(const FamilyRequest& request, double* nodes,
                          double* weights, double* /*gauss_weights*/) {
  return rule(request, nodes, weights);
}

constexpr std::array family_computations = std::to_array<FamilyComputation>({
    legendre_rule,
    without_gauss_weights<detail::lobatto_radau_family_rule>,
    without_gauss_weights<detail::lobatto_radau_family_rule>,
    without_gauss_weights<detail::lobatto_radau_family_rule>,
    detail::kronrod_family_rule,
    without_gauss_weights<detail::chebyshev_family_rule>,
    without_gauss_weights<detail::chebyshev_family_rule>,
    without_gauss_weights<detail::hermite_family_rule>,
    without_gauss_weights<detail::hermite_family_rule>,
    without_gauss_weights<detail::laguerre_family_rule>,
    without_gauss_weights<detail::jacobi_family_rule>,
});

// One entry a family, in the list's order: a family left out fails here.
// (The size, not a search for null entries, which a sanitized build does
// not evaluate at compile time.)
static_assert(family_computations.size() == rule_family_names.size());

}  // namespace

int family_rule(const FamilyRequest& request, double* nodes, double* weights,
                double* gauss_weights) {
  if (!request_ok(request)) {
    return 0;
  }
  return family_computations[static_cast<std::size_t>(request.family)](
      request, nodes, weights, gauss_weights);
}

}  // namespace zemta
