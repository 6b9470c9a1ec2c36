// Gauss-Chebyshev of the first and second kinds from their closed forms,
// in balls; on an interval, and wherever the closed forms cannot decide a
// value, the Jacobi engine (jacobi.cpp) at alpha = beta = -1/2 or 1/2.
//
//   first kind   x_j = -cos(theta_j), theta_j = (2j + 1) pi / (2n),
//                w_j = pi / n
//   second kind  x_j = -cos(theta_j), theta_j = (j + 1) pi / (n + 1),
//                w_j = pi / (n + 1) sin^2(theta_j)
//
// j = 0..n-1, so the nodes ascend. The angles step by a constant delta (pi
// / n, pi / (n + 1)): cos theta_j + i sin theta_j is the complex product of
// the first angle's and j deltas', each a ball, so every node and weight is
// enclosed, the radius growing by about one rounding a step. cos and sin of
// the two angles come from their Taylor series, the tail bounded below. A
// value is taken when its ball rounds to one double (ball_round); if any
// does not, the whole rule is made again with twice the bits, and past
// chebyshev_max_bits the engine decides. The rules are symmetric: the lower
// half is computed, the upper mirrored, and an odd order's middle node (the
// angle pi / 2) is exactly 0.
#include <cmath>
#include <vector>

#include "rule/quadrature/families/family_rules.h"

namespace zemta::detail {
namespace {

constexpr int chebyshev_start_bits = 128;
constexpr int chebyshev_max_bits = 4096;

// cos a and sin a for 0 <= a <= pi / 2 (a = pi p / q), at `bits`: the series
// to K terms, cos a = sum_{k <= K} (-1)^k a^2k / (2k)!, sin a = sum_{k <= K}
// (-1)^k a^(2k+1) / (2k+1)!. For a <= 2 their terms decrease from the first
// and alternate, so each tail is at most its first term, below a^(2K+2) /
// (2K+2)! <= a^(2K+1) / (2K+1)!, which K makes below 2^-(bits + 8) (K found
// in doubles, with (pi/2)^(2K+1) / (2K+1)! as the bound for every a).
struct CosSin {
  Ball cos;
  Ball sin;
};

CosSin cos_sin(const Ball& a, int bits) {
  int terms = 1;
  double term = 1.5707963267948966;
  while (std::log2(term) > -(bits + 16) && terms < 1000) {
    // term = (pi/2)^(2K+1) / (2K+1)! for K = terms.
    term *= 2.4674011002723395 / ((2.0 * terms) * (2.0 * terms + 1.0));
    ++terms;
  }
  const Ball a2 = ball_mul(a, a, bits);
  const Ball one = ball_from_int(1);
  Ball c = one;
  Ball s = one;
  for (int k = terms; k >= 1; --k) {
    const auto twice = static_cast<std::int64_t>(2) * k;
    c = ball_sub(one,
                 ball_div(ball_mul(a2, c, bits),
                          ball_from_int((twice - 1) * twice), bits),
                 bits);
    s = ball_sub(one,
                 ball_div(ball_mul(a2, s, bits),
                          ball_from_int(twice * (twice + 1)), bits),
                 bits);
  }
  const Dyadic tail{big_from_u64(1), -(bits + 8)};
  return {ball_widen(c, tail), ball_widen(ball_mul(a, s, bits), tail)};
}

// (c + i s) (dc + i ds).
CosSin rotate(const CosSin& z, const CosSin& d, int bits) {
  return {ball_sub(ball_mul(z.cos, d.cos, bits), ball_mul(z.sin, d.sin, bits),
                   bits),
          ball_add(ball_mul(z.sin, d.cos, bits), ball_mul(z.cos, d.sin, bits),
                   bits)};
}

// The lower half (and an odd order's middle) at `bits`; false when a value
// does not round.
bool closed_form(bool second, int n, int bits, double* nodes, double* weights) {
  const Ball pi = ball_pi(bits);
  // The first angle pi / first_parts and the step pi / step_parts.
  const int step_parts = second ? n + 1 : n;
  const int first_parts = second ? n + 1 : 2 * n;
  const Ball step = ball_div(pi, ball_from_int(step_parts), bits);
  const CosSin delta = cos_sin(step, bits);
  CosSin z = cos_sin(ball_div(pi, ball_from_int(first_parts), bits), bits);
  double first_weight = 0.0;
  if (!second && !ball_round(step, &first_weight)) {
    return false;
  }
  for (int j = 0; j < n / 2; ++j) {
    if (j > 0) {
      z = rotate(z, delta, bits);
    }
    if (!ball_round(ball_neg(z.cos), &nodes[j])) {
      return false;
    }
    if (second) {
      const Ball w = ball_mul(step, ball_mul(z.sin, z.sin, bits), bits);
      if (!ball_round(w, &weights[j])) {
        return false;
      }
    } else {
      weights[j] = first_weight;
    }
  }
  if (n % 2 == 1) {
    nodes[n / 2] = 0.0;
    // sin^2 of the middle angle pi / 2 is 1.
    if (second) {
      if (!ball_round(step, &weights[n / 2])) {
        return false;
      }
    } else {
      weights[n / 2] = first_weight;
    }
  }
  return true;
}

}  // namespace

int family_rule_chebyshev(const FamilyRequest& request, double* nodes,
                          double* weights, double* /*gauss_weights*/) {
  const bool second = request.family == RuleFamily::chebyshev2;
  const int n = request.n;
  if (!request.on_interval) {
    for (int bits = chebyshev_start_bits; bits <= chebyshev_max_bits;
         bits *= 2) {
      if (closed_form(second, n, bits, nodes, weights)) {
        for (int j = 0; j < n / 2; ++j) {
          nodes[n - 1 - j] = -nodes[j];
          weights[n - 1 - j] = weights[j];
        }
        return n;
      }
    }
  }
  FamilyRequest r = request;
  r.alpha = r.beta = second ? 0.5 : -0.5;
  return jacobi_engine_rule(r, nodes, weights);
}

}  // namespace zemta::detail
