// Gauss-Jacobi, weight (1 - x)^alpha (1 + x)^beta on [-1, 1], alpha, beta >
// -1 (the Chebyshev kinds are its cases alpha = beta = -1/2 and 1/2:
// chebyshev.cpp).
//
// The orthonormal Jacobi polynomials' recurrence, with s = alpha + beta:
//   a_0 = (beta - alpha) / (s + 2),
//   a_k = (beta^2 - alpha^2) / ((2k + s)(2k + s + 2)),            k >= 1,
//   b_1^2 = 4 (1 + alpha)(1 + beta) / ((s + 2)^2 (s + 3)),
//   b_k^2 = 4k (k + alpha)(k + beta)(k + s)
//           / ((2k + s)^2 (2k + s + 1)(2k + s - 1)),               k >= 2,
//   mu0 = 2^(s + 1) Gamma(alpha + 1) Gamma(beta + 1) / Gamma(s + 2).
// b_1 is apart because the general form is 0/0 at s = -1 (Chebyshev's first
// kind). Every denominator is positive for alpha, beta > -1: 2k + s > 0 for
// k >= 1, and 2k + s - 1 > 1 for k >= 2.
#include <cmath>
#include "rule/quadrature/families/family_rules.h"

namespace zemta::detail {
namespace {

// Whether v is an integer from 0 to small_integer_limit, for which mu0 is
// a rational computed exactly.
constexpr double small_integer_limit = 64.0;
bool is_small_integer(double v) {
  return v >= 0.0 && v <= small_integer_limit && v == std::floor(v);
}

Ball factorial(int n) {
  Ball f = ball_from_int(1);
  for (int i = 2; i <= n; ++i) {
    f = ball_mul(f, ball_from_int(i), 4096);
  }
  return f;
}

Ball jacobi_mu0(double alpha, double beta, int bits) {
  if (alpha == -0.5 && beta == -0.5) {
    return ball_pi(bits);
  }
  if (alpha == 0.5 && beta == 0.5) {
    return ball_mul_2exp(ball_pi(bits), -1);
  }
  if (is_small_integer(alpha) && is_small_integer(beta)) {
    // 2^(s+1) alpha! beta! / (s + 1)!, the integers exact.
    const int ia = static_cast<int>(alpha);
    const int ib = static_cast<int>(beta);
    const Ball num = ball_mul_2exp(ball_mul(factorial(ia), factorial(ib), 4096),
                                   ia + ib + 1);
    return ball_div(num, factorial(ia + ib + 1), bits);
  }
  const Ball a1 = ball_add(ball_from_double(alpha), ball_from_int(1), bits);
  const Ball b1 = ball_add(ball_from_double(beta), ball_from_int(1), bits);
  const Ball s2 = ball_add(a1, b1, bits);
  const Ball s1 = ball_sub(s2, ball_from_int(1), bits);
  Ball log_mu0 = ball_mul(s1, ball_log(ball_from_int(2), bits), bits);
  log_mu0 = ball_add(log_mu0, ball_log_gamma(a1, bits), bits);
  log_mu0 = ball_add(log_mu0, ball_log_gamma(b1, bits), bits);
  log_mu0 = ball_sub(log_mu0, ball_log_gamma(s2, bits), bits);
  return ball_exp(log_mu0, bits);
}

}  // namespace

bool make_jacobi_matrix(const void* context, int bits, JacobiMatrix* out) {
  const auto& w = *static_cast<const JacobiWeight*>(context);
  const Ball alpha = ball_from_double(w.alpha);
  const Ball beta = ball_from_double(w.beta);
  const Ball s = ball_add(alpha, beta, bits);
  const bool symmetric = w.alpha == w.beta;
  const Ball diff2 =
      ball_mul(ball_sub(beta, alpha, bits), ball_add(beta, alpha, bits), bits);
  const int order = w.order;
  out->a.clear();
  out->b2.clear();
  for (int k = 0; k < order; ++k) {
    const Ball two_k_s = ball_add(ball_from_int(std::int64_t{2} * k), s, bits);
    if (symmetric) {
      out->a.push_back(ball_from_int(0));
    } else if (k == 0) {
      out->a.push_back(ball_div(ball_sub(beta, alpha, bits),
                                ball_add(s, ball_from_int(2), bits), bits));
    } else {
      const Ball den =
          ball_mul(two_k_s, ball_add(two_k_s, ball_from_int(2), bits), bits);
      out->a.push_back(ball_div(diff2, den, bits));
    }
    if (k == 0) {
      continue;
    }
    // b_k^2, joining rows k - 1 and k.
    if (k == 1) {
      const Ball num =
          ball_mul_2exp(ball_mul(ball_add(alpha, ball_from_int(1), bits),
                                 ball_add(beta, ball_from_int(1), bits), bits),
                        2);
      const Ball s2 = ball_add(s, ball_from_int(2), bits);
      const Ball den = ball_mul(ball_mul(s2, s2, bits),
                                ball_add(s, ball_from_int(3), bits), bits);
      out->b2.push_back(ball_div(num, den, bits));
    } else {
      const Ball kb = ball_from_int(k);
      Ball num =
          ball_mul(ball_add(kb, alpha, bits), ball_add(kb, beta, bits), bits);
      num = ball_mul(num, ball_add(kb, s, bits), bits);
      num = ball_mul_2exp(ball_mul(num, kb, bits), 2);
      Ball den = ball_mul(two_k_s, two_k_s, bits);
      den = ball_mul(den, ball_add(two_k_s, ball_from_int(1), bits), bits);
      den = ball_mul(den, ball_sub(two_k_s, ball_from_int(1), bits), bits);
      out->b2.push_back(ball_div(num, den, bits));
    }
  }
  out->mu0 = jacobi_mu0(w.alpha, w.beta, bits);
  return !out->mu0.whole;
}

int jacobi_engine_rule(const FamilyRequest& request, double* nodes,
                       double* weights) {
  const JacobiWeight w{request.alpha, request.beta, request.n};
  return tridiagonal_gauss_rule(
             make_jacobi_matrix, &w, request.n, request.alpha == request.beta,
             request_map(request, WeightFactor::one), nodes, weights)
             ? request.n
             : 0;
}

// alpha = beta = 0 is Legendre's weight, and alpha = beta = -1/2 and 1/2
// are the Chebyshev kinds': the same rules, each value the nearest double
// whichever way it is computed, so they come from those families' own
// faster paths (the Chebyshev kinds' on [-1, 1]: on an interval theirs is
// this engine).
int family_rule_jacobi(const FamilyRequest& request, double* nodes,
                       double* weights, double* /*gauss_weights*/) {
  if (request.alpha == request.beta) {
    FamilyRequest same = request;
    same.alpha = 0.0;
    same.beta = 0.0;
    if (request.alpha == 0.0 && request.n >= 2) {
      same.family = RuleFamily::legendre;
      return family_rule_legendre(same, nodes, weights, nullptr);
    }
    if (!request.on_interval &&
        (request.alpha == -0.5 || request.alpha == 0.5)) {
      same.family =
          request.alpha < 0.0 ? RuleFamily::chebyshev1 : RuleFamily::chebyshev2;
      return family_rule_chebyshev(same, nodes, weights, nullptr);
    }
  }
  return jacobi_engine_rule(request, nodes, weights);
}

}  // namespace zemta::detail
