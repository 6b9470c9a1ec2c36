// Generalized Gauss-Laguerre on [0, infinity): weight x^alpha e^-x, alpha >
// -1; a_k = 2k + alpha + 1, b_k^2 = k (k + alpha), mu0 = Gamma(alpha + 1).
// --scaled multiplies each weight by e^x at its node. At alpha = 0 the rule
// comes first from Laguerre's recurrence (laguerre_recurrence.h).
#include <cmath>

#include "rule/quadrature/families/family_rules.h"
#include "rule/quadrature/families/laguerre_recurrence.h"

namespace zemta::detail {
namespace {

struct LaguerreWeight {
  double alpha;
  int order;
};

// Gamma(alpha + 1): a factorial, exactly, for an integer alpha up to this.
constexpr double exact_factorial_limit = 64.0;

bool make_laguerre_matrix(const void* context, int bits, JacobiMatrix* out) {
  const auto& w = *static_cast<const LaguerreWeight*>(context);
  const Ball alpha = ball_from_double(w.alpha);
  const Ball alpha1 = ball_add(alpha, ball_from_int(1), bits);
  out->a.clear();
  out->b2.clear();
  for (int k = 0; k < w.order; ++k) {
    out->a.push_back(
        ball_add(ball_from_int(std::int64_t{2} * k), alpha1, bits));
    if (k > 0) {
      out->b2.push_back(ball_mul(
          ball_from_int(k), ball_add(ball_from_int(k), alpha, bits), bits));
    }
  }
  if (w.alpha >= 0.0 && w.alpha <= exact_factorial_limit &&
      w.alpha == std::floor(w.alpha)) {
    Ball f = ball_from_int(1);
    for (int i = 2; i <= static_cast<int>(w.alpha); ++i) {
      f = ball_mul(f, ball_from_int(i), 4096);
    }
    out->mu0 = f;
  } else {
    out->mu0 = ball_exp(ball_log_gamma(alpha1, bits), bits);
  }
  return !out->mu0.whole;
}

}  // namespace

int family_rule_laguerre(const FamilyRequest& request, double* nodes,
                         double* weights, double* /*gauss_weights*/) {
  // At alpha = 0, from Laguerre's recurrence first (laguerre_recurrence.h),
  // the engine where that declines.
  if (request.alpha == 0.0 &&
      laguerre_rule(best_root_batch_kernel(), request.scaled, request.n, nodes,
                    weights)) {
    return request.n;
  }
  const LaguerreWeight w{request.alpha, request.n};
  return tridiagonal_gauss_rule(
             make_laguerre_matrix, &w, request.n, false,
             identity_map(request.scaled ? WeightFactor::exp_linear
                                         : WeightFactor::one),
             nodes, weights)
             ? request.n
             : 0;
}

}  // namespace zemta::detail
