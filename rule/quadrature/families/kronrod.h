// The Gauss-Kronrod rule of Gauss-Legendre order n on the tridiagonal
// engine (tridiagonal_rule.h), with its embedded Gauss rule's weights.
// Internal to the quadrature library; family_rule (families.cpp) checks the
// request's domain first and dispatches here.
#pragma once

#include "rule/quadrature/families.h"

namespace zemta::detail {

// For a kronrod request inside the domain families.h states: the 2n + 1
// nodes ascending, each the double nearest its exact value (the Kronrod
// matrix's eigenvalue, mapped to [a, b] on an interval), the Kronrod
// weights likewise, and, if gauss_weights is not null, gauss_weights[i]
// the weight of nodes[i] in the Gauss-Legendre rule of order n (the nodes
// at the odd positions 1, 3, ..., 2n - 1, the same doubles as that rule's,
// correctly_rounded.h), +0 for the n + 1 nodes the Kronrod rule adds.
// Returns 2n + 1, or 0 when a value would round past DBL_MAX (the Gauss
// weight b - a of n = 1 on [-DBL_MAX, DBL_MAX], say).
int family_rule_kronrod(const FamilyRequest& request, double* nodes,
                        double* weights, double* gauss_weights);

}  // namespace zemta::detail
