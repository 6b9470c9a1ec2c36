// Each Gauss family's computation, one file each: on the tridiagonal engine
// (tridiagonal_rule.h) its Jacobi matrix, mu0, fixed nodes and weight
// factor; legendre on its own proven path (correctly_rounded.h), the
// Chebyshev kinds from their closed forms, and lobatto, radau, the Hermite
// kinds and laguerre at alpha = 0 from their recurrences
// (lobatto_radau_recurrence.h, hermite_recurrence.h,
// laguerre_recurrence.h), each with the engine behind it.
// Internal to the quadrature library; family_rule (families.cpp) checks the
// request's domain first and dispatches here.
//
// Each takes a request inside the domain families.h states and fills the
// arrays as family_rule does; returns the node count, or 0 when the engine
// could not (a weight past DBL_MAX, say, for an alpha in the thousands).
#pragma once

#include <cstdint>

#include "rule/quadrature/ball.h"
#include "rule/quadrature/families.h"
#include "rule/quadrature/tridiagonal_rule.h"

namespace zemta::detail {

// family_rule_<computation> for each computation ZEMTA_RULE_FAMILIES
// (families.h) names, in its own file here, for the families that name it
// (request.family tells them apart). gauss_weights is kronrod's alone
// (kronrod.h); the others leave it untouched.
#define ZEMTA_RULE_FAMILY_COMPUTATION(id, computation, ...)                  \
  int family_rule_##computation(const FamilyRequest& request, double* nodes, \
                                double* weights, double* gauss_weights);
ZEMTA_RULE_FAMILIES(ZEMTA_RULE_FAMILY_COMPUTATION)
#undef ZEMTA_RULE_FAMILY_COMPUTATION

// The Jacobi matrix of order `order` of the weight (1 - x)^alpha (1 +
// x)^beta on [-1, 1] (jacobi.cpp), for the families built on it. context:
// a JacobiWeight.
struct JacobiWeight {
  double alpha;
  double beta;
  int order;
};
bool make_jacobi_matrix(const void* context, int bits, JacobiMatrix* out);

// The Jacobi rule of the request's alpha and beta (its family aside) by
// the engine alone, as family_rule_jacobi returns it.
int jacobi_engine_rule(const FamilyRequest& request, double* nodes,
                       double* weights);

// The map a request asks for: [-1, 1] onto [a, b], or none.
RuleMap request_map(const FamilyRequest& request, WeightFactor factor);

// The double nearest v / q, ties to even, at the double's own quantum,
// exactly (for the fixed nodes' weights, (b - a) / (n (n - 1)) and the
// like); v >= 0, q >= 1.
double round_quotient(const Dyadic& v, std::uint32_t q);

}  // namespace zemta::detail
