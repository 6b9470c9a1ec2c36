// Gauss-Kronrod: the eigenvalues and weights of the Kronrod matrix
// (kronrod_matrix.h) certified by the engine, and the embedded Gauss rule's
// weights from the correctly rounded Gauss-Legendre rule. The Gauss rule of
// order 1 (its node the middle one, its weight 2, or b - a on [a, b]) is
// below that rule's orders and is written here.
#include "rule/quadrature/families/kronrod.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <vector>

#include "rule/quadrature/correctly_rounded.h"
#include "rule/quadrature/families/family_rules.h"
#include "rule/quadrature/kronrod_matrix.h"
#include "rule/quadrature/tridiagonal_rule.h"

namespace zemta::detail {
namespace {

// The Gauss-Legendre weights of order n into gauss[0 .. n - 1]; false if
// one would round past DBL_MAX.
bool legendre_weights(const FamilyRequest& request, double* gauss) {
  const int n = request.n;
  if (n == 1) {
    // b - a in IEEE arithmetic is the double nearest b - a, ties to even;
    // its overflow is the rounding past DBL_MAX.
    gauss[0] = request.on_interval ? request.b - request.a : 2.0;
    return std::isfinite(gauss[0]);
  }
  std::vector<double> nodes(static_cast<std::size_t>(n));
  const int count =
      request.on_interval
          ? correctly_rounded_rule(n, request.a, request.b, nodes.data(), gauss)
          : correctly_rounded_rule(n, nodes.data(), gauss);
  return count == n;
}

}  // namespace

int family_rule_kronrod(const FamilyRequest& request, double* nodes,
                        double* weights, double* gauss_weights) {
  const int n = request.n;
  const int m = 2 * n + 1;
  if (!tridiagonal_gauss_rule(make_kronrod_matrix, &n, m, true,
                              request_map(request, WeightFactor::one), nodes,
                              weights)) {
    return 0;
  }
  if (gauss_weights != nullptr) {
    std::vector<double> gauss(static_cast<std::size_t>(n));
    if (!legendre_weights(request, gauss.data())) {
      return 0;
    }
    for (int i = 0; i < m; ++i) {
      gauss_weights[i] =
          i % 2 == 1 ? gauss[static_cast<std::size_t>(i / 2)] : 0.0;
    }
  }
  return m;
}

}  // namespace zemta::detail
