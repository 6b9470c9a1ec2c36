#include "rule/quadrature/kronrod_matrix.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rule/quadrature/ball.h"
#include "rule/quadrature/kronrod_recurrence.h"

namespace zemta::detail {
namespace {

// Laurie's algorithm in balls at a working precision; a division by a
// ball that may be 0 is refused, so that the caller asks with more bits.
// Legendre's beta_k = k^2 / (4k^2 - 1) multiplies as the two small
// integers it is made of: a product and a quotient by one limb each, much
// cheaper than a product of two long midpoints, and rounded once instead
// of twice (the ball of beta_k itself is not used).
struct BallArithmetic {
  using Number = Ball;
  int bits;
  int legendre_count;  // beta_1 .. beta_{legendre_count - 1} are Legendre's
  [[nodiscard]] static Ball zero() { return ball_from_int(0); }
  [[nodiscard]] Ball add(const Ball& x, const Ball& y) const {
    return ball_add(x, y, bits);
  }
  [[nodiscard]] Ball sub(const Ball& x, const Ball& y) const {
    return ball_sub(x, y, bits);
  }
  [[nodiscard]] Ball mul_beta(int k, const Ball& beta_k, const Ball& x) const {
    if (k == 0 || k >= legendre_count) {
      return ball_mul(beta_k, x, bits);
    }
    const auto kk = static_cast<std::int64_t>(k) * k;
    // Exact: x's midpoint times an integer below 2^22 (k <= 1500), and
    // 4k^2 - 1 fits one limb.
    const Ball numerator = ball_mul(x, ball_from_int(kk), bits + 64);
    return ball_div(numerator, ball_from_int(4 * kk - 1), bits);
  }
  bool div(const Ball& x, const Ball& y, Ball* q) const {
    if (ball_sign(y) == 0) {
      return false;
    }
    *q = trimmed(ball_div(x, y, bits));
    return true;
  }

  // x with its midpoint cut to trim_guard_bits below its radius: a new
  // beta's midpoint holds the working precision's bits, most of them
  // below its radius (the radii's growth), and every later product by it
  // costs as its length. The cut adds under 2^-trim_guard_bits of the
  // radius to it.
  [[nodiscard]] Ball trimmed(const Ball& x) const {
    if (x.whole || x.rad.mantissa == 0) {
      return x;
    }
    const int mid_log = big_bit_length(x.mid.mantissa) + x.mid.exponent;
    const int rad_log = 32 + x.rad.exponent;  // the mantissa is below 2^32
    const int keep = mid_log - rad_log + trim_guard_bits;
    return keep >= bits ? x
                        : ball_add(x, zero(), std::max(keep, ball_min_bits));
  }
  static constexpr int trim_guard_bits = 64;
};

// The working precision above the asked one. Ball arithmetic cannot see
// that the algorithm's rounding errors cancel (in long double its rule is
// good to a few ulps at n = 999): each running sum's radius is the sum of
// its terms' radii, and the relative radius of the squares grows by about
// 2^2.5 per unit of n (measured from n = 10 to 400 at 1000 to 3000 bits:
// 2^-792 relative at n = 100 from 1032 bits). So the work is done at bits
// + 2.5 n + kronrod_guard_bits, which leaves the last squares about 2^-141
// relative at n = 999 from 128 bits asked, and 2^-160 or less up to n =
// 300. More bits only cost time; the balls hold the exact values whatever
// the precision.
constexpr int kronrod_guard_bits = 32;
constexpr int kronrod_lost_bits(int n) { return (5 * n + 1) / 2; }

}  // namespace

bool kronrod_matrix(int n, int bits, JacobiMatrix* out) {
  if (n < kronrod_min_order || n > kronrod_max_order) {
    return false;
  }
  const int working = bits + kronrod_guard_bits + kronrod_lost_bits(n);
  std::vector<Ball> beta(static_cast<std::size_t>(kronrod_beta_count(n)));
  beta[0] = ball_from_int(2);
  for (std::size_t k = 1; k < beta.size(); ++k) {
    const auto kk = static_cast<std::int64_t>(k * k);
    beta[k] = ball_div(ball_from_int(kk), ball_from_int(4 * kk - 1), working);
  }
  std::vector<Ball> kronrod_beta;
  if (!kronrod_recurrence(BallArithmetic{working, kronrod_beta_count(n)}, n,
                          beta, &kronrod_beta)) {
    return false;
  }
  const std::size_t m = kronrod_beta.size();  // 2n + 1
  out->a.assign(m, ball_from_int(0));
  out->b2.assign(kronrod_beta.begin() + 1, kronrod_beta.end());
  out->mu0 = kronrod_beta[0];
  return std::all_of(out->b2.begin(), out->b2.end(),
                     [](const Ball& square) { return ball_sign(square) > 0; });
}

bool make_kronrod_matrix(const void* context, int bits, JacobiMatrix* out) {
  return kronrod_matrix(*static_cast<const int*>(context), bits, out);
}

}  // namespace zemta::detail
