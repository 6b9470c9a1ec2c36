#include "rule/quadrature/families.h"

#include <array>
#include <cmath>
#include <cstddef>
#include "quadrature/coefficients.h"
#include "rule/quadrature/families/family_rules.h"

namespace zemta {

int family_node_count(RuleFamily family, int n) {
  return family == RuleFamily::kronrod ? 2 * n + 1 : n;
}

bool family_is_symmetric(const FamilyRequest& request) {
  switch (family_entry(request.family).symmetry) {
    case FamilySymmetry::always:
      return true;
    case FamilySymmetry::never:
      return false;
    case FamilySymmetry::equal_parameters:
      return request.alpha == request.beta;
  }
  return false;
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

#define ZEMTA_RULE_FAMILY_COMPUTATION_ENTRY(id, computation, ...) \
  detail::family_rule_##computation,
constexpr std::array family_computations = std::to_array<FamilyComputation>(
    {ZEMTA_RULE_FAMILIES(ZEMTA_RULE_FAMILY_COMPUTATION_ENTRY)});
#undef ZEMTA_RULE_FAMILY_COMPUTATION_ENTRY

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
