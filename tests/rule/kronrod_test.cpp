// The Gauss-Kronrod rules against MPFR. The reference runs Laurie's
// algorithm (kronrod_recurrence.h, the program's one copy of it) in MPFR at
// 256 bits, then finds the eigenvalues of the matrix it gives by bisection
// and Newton's method in long double, then Newton's method in MPFR, on its
// characteristic polynomial, and the weights as Christoffel numbers: none
// of the program's eigenvalue code. Since the algorithm is shared, the
// reference is confirmed on its own: the rule it gives integrates x^k
// exactly for every k up to 3N + 1 (even N) or 3N + 2 (odd N), and its
// nodes at the Gauss positions are roots of the Legendre polynomial P_N;
// the Kronrod rule is the one rule with both. A reference value whose
// rounding to double is not certain at 256 bits is computed again at 1024.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "rule/quadrature/ball.h"
#include "rule/quadrature/correctly_rounded.h"
#include "rule/quadrature/families.h"
#include "rule/quadrature/kronrod_matrix.h"
#include "rule/quadrature/kronrod_recurrence.h"
#include "support/memory_stream.h"
#include "support/mpfr_value.h"

namespace zemta {
namespace {

constexpr mpfr_prec_t reference_bits = 256;
constexpr mpfr_prec_t precise_bits = 1024;
// Bits the reference gives up to rounding: its Newton steps stop when they
// move a node by less than 2^-(bits - newton_slack), the exactness sums
// must hold to 2^-(bits - check_slack), and a value nearer than 2^-(bits -
// check_slack) relative to a midpoint between doubles is not certain.
constexpr mpfr_prec_t newton_slack = 32;
constexpr mpfr_prec_t check_slack = 56;
constexpr int newton_max_steps = 8;
// Long double bisection isolates each node in a bracket (the nodes are
// 1/(2N+1)^2 apart at least, so some 25 halvings) where Newton's method
// in long double takes it to about 2^-62, a start from which Newton's
// method in MPFR converges at once. Should Newton leave the bracket, the
// bisection goes on to 2^-64 of [0, 1].
constexpr int bisection_steps = 64;
constexpr int ld_newton_steps = 12;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

using Mp = testing::MpfrValue;

struct MpArithmetic {
  using Number = Mp;
  mpfr_prec_t bits;
  [[nodiscard]] Mp zero() const {
    Mp z(bits);
    mpfr_set_zero(z.get(), 1);
    return z;
  }
  [[nodiscard]] Mp add(const Mp& x, const Mp& y) const {
    Mp r(bits);
    mpfr_add(r.get(), x.get(), y.get(), MPFR_RNDN);
    return r;
  }
  [[nodiscard]] Mp sub(const Mp& x, const Mp& y) const {
    Mp r(bits);
    mpfr_sub(r.get(), x.get(), y.get(), MPFR_RNDN);
    return r;
  }
  [[nodiscard]] Mp mul_beta(int /*k*/, const Mp& beta_k, const Mp& x) const {
    Mp r(bits);
    mpfr_mul(r.get(), beta_k.get(), x.get(), MPFR_RNDN);
    return r;
  }
  bool div(const Mp& x, const Mp& y, Mp* q) const {
    if (mpfr_zero_p(y.get()) != 0) {
      return false;
    }
    *q = Mp(bits);
    mpfr_div(q->get(), x.get(), y.get(), MPFR_RNDN);
    return true;
  }
};

// Legendre's beta_0 = mu0 = 2 and beta_k = k^2 / (4k^2 - 1).
std::vector<Mp> legendre_beta(int count, mpfr_prec_t bits) {
  std::vector<Mp> beta(at(count), Mp(bits));
  mpfr_set_ui(beta[0].get(), 2, MPFR_RNDN);
  for (int k = 1; k < count; ++k) {
    const auto kk =
        static_cast<unsigned long>(k) * static_cast<unsigned long>(k);
    mpfr_set_ui(beta[at(k)].get(), kk, MPFR_RNDN);
    mpfr_div_ui(beta[at(k)].get(), beta[at(k)].get(), 4 * kk - 1, MPFR_RNDN);
  }
  return beta;
}

// |v - the nearest midpoint between doubles| > |v| 2^-margin.
bool rounding_certain(mpfr_srcptr v, mpfr_prec_t margin) {
  if (mpfr_zero_p(v) != 0) {
    return true;
  }
  const double d = mpfr_get_d(v, MPFR_RNDN);
  Mp off(precise_bits + 64);
  Mp bound(precise_bits + 64);
  mpfr_mul_2si(bound.get(), v, -margin, MPFR_RNDN);
  mpfr_abs(bound.get(), bound.get(), MPFR_RNDN);
  for (const double next :
       {std::nextafter(d, HUGE_VAL), std::nextafter(d, -HUGE_VAL)}) {
    mpfr_set_d(off.get(), d, MPFR_RNDN);
    mpfr_add_d(off.get(), off.get(), next, MPFR_RNDN);
    mpfr_div_2ui(off.get(), off.get(), 1, MPFR_RNDN);
    mpfr_sub(off.get(), off.get(), v, MPFR_RNDN);
    if (mpfr_cmpabs(off.get(), bound.get()) <= 0) {
      return false;
    }
  }
  return true;
}

// The Kronrod rule of Gauss order n at a precision: its matrix, its 2n + 1
// nodes ascending and their weights, and whether the independent checks
// held.
class KronrodReference {
 public:
  KronrodReference(int n, mpfr_prec_t bits) : n_(n), bits_(bits) {
    const MpArithmetic arith{bits};
    ok_ = detail::kronrod_recurrence(
        arith, n, legendre_beta(detail::kronrod_beta_count(n), bits), &beta_);
    if (!ok_) {
      return;
    }
    const int m = 2 * n + 1;
    nodes_.assign(at(m), Mp(bits));
    weights_.assign(at(m), Mp(bits));
    // The middle node is 0 (the matrix has zero diagonal and odd order);
    // the others come in pairs -x, x.
    mpfr_set_zero(nodes_[at(n)].get(), 1);
    weight_at(nodes_[at(n)].get(), weights_[at(n)].get());
    for (int i = n + 1; i < m; ++i) {
      ok_ = ok_ && refine(bisect(i), nodes_[at(i)].get());
      weight_at(nodes_[at(i)].get(), weights_[at(i)].get());
      mpfr_neg(nodes_[at(m - 1 - i)].get(), nodes_[at(i)].get(), MPFR_RNDN);
      mpfr_set(weights_[at(m - 1 - i)].get(), weights_[at(i)].get(), MPFR_RNDN);
    }
  }

  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] int size() const { return 2 * n_ + 1; }
  [[nodiscard]] mpfr_srcptr node(int i) const { return nodes_[at(i)].get(); }
  [[nodiscard]] mpfr_srcptr weight(int i) const {
    return weights_[at(i)].get();
  }
  // beta(0) = mu0, beta(k) the matrix's off-diagonal square joining rows
  // k - 1 and k.
  [[nodiscard]] mpfr_srcptr beta(int k) const { return beta_[at(k)].get(); }

  // The largest |sum_i w_i x_i^k - 2 / (k + 1)| over even k up to the
  // rule's degree (odd k: 0 by the symmetry of the nodes).
  [[nodiscard]] double exactness_error() const {
    const int degree = n_ % 2 == 0 ? 3 * n_ + 1 : 3 * n_ + 2;
    std::vector<Mp> moments(at(degree / 2 + 1), Mp(bits_));
    for (auto& moment : moments) {
      mpfr_set_zero(moment.get(), 1);
    }
    Mp power(bits_);
    Mp square(bits_);
    Mp term(bits_);
    for (int i = 0; i < size(); ++i) {
      mpfr_sqr(square.get(), node(i), MPFR_RNDN);
      mpfr_set(power.get(), weight(i), MPFR_RNDN);
      for (auto& moment : moments) {
        mpfr_add(moment.get(), moment.get(), power.get(), MPFR_RNDN);
        mpfr_mul(power.get(), power.get(), square.get(), MPFR_RNDN);
      }
    }
    double largest = 0.0;
    for (int j = 0; j <= degree / 2; ++j) {
      mpfr_set_ui(term.get(), 2, MPFR_RNDN);
      mpfr_div_ui(term.get(), term.get(), 2 * static_cast<unsigned long>(j) + 1,
                  MPFR_RNDN);
      mpfr_sub(term.get(), term.get(), moments[at(j)].get(), MPFR_RNDN);
      largest = std::max(largest, std::fabs(mpfr_get_d(term.get(), MPFR_RNDN)));
    }
    return largest;
  }

  // The largest |P_n(x) / P_n'(x)| over the nodes at the Gauss positions
  // 1, 3, ..., 2n - 1: Newton's step to the Legendre root.
  [[nodiscard]] double gauss_node_error() const {
    double largest = 0.0;
    Mp p(bits_);
    Mp p_prev(bits_);
    Mp t(bits_);
    Mp dp(bits_);
    for (int i = 1; i < size(); i += 2) {
      const mpfr_srcptr x = node(i);
      // (k + 1) P_{k+1} = (2k + 1) x P_k - k P_{k-1}.
      mpfr_set_ui(p_prev.get(), 1, MPFR_RNDN);
      mpfr_set(p.get(), x, MPFR_RNDN);
      for (unsigned long k = 1; k < static_cast<unsigned long>(n_); ++k) {
        mpfr_mul(t.get(), x, p.get(), MPFR_RNDN);
        mpfr_mul_ui(t.get(), t.get(), 2 * k + 1, MPFR_RNDN);
        mpfr_mul_ui(p_prev.get(), p_prev.get(), k, MPFR_RNDN);
        mpfr_sub(p_prev.get(), t.get(), p_prev.get(), MPFR_RNDN);
        mpfr_div_ui(p_prev.get(), p_prev.get(), k + 1, MPFR_RNDN);
        mpfr_swap(p_prev.get(), p.get());
      }
      // (x^2 - 1) P_n' = n (x P_n - P_{n-1}), x inside (-1, 1).
      mpfr_mul(t.get(), x, p.get(), MPFR_RNDN);
      mpfr_sub(t.get(), t.get(), p_prev.get(), MPFR_RNDN);
      mpfr_mul_ui(t.get(), t.get(), static_cast<unsigned long>(n_), MPFR_RNDN);
      mpfr_sqr(dp.get(), x, MPFR_RNDN);
      mpfr_sub_ui(dp.get(), dp.get(), 1, MPFR_RNDN);
      mpfr_div(dp.get(), t.get(), dp.get(), MPFR_RNDN);
      mpfr_div(t.get(), p.get(), dp.get(), MPFR_RNDN);
      largest = std::max(largest, std::fabs(mpfr_get_d(t.get(), MPFR_RNDN)));
    }
    return largest;
  }

  // Whether every node and weight rounds to one double for certain.
  [[nodiscard]] bool certain() const {
    for (int i = 0; i < size(); ++i) {
      if (!rounding_certain(node(i), bits_ - check_slack) ||
          !rounding_certain(weight(i), bits_ - check_slack)) {
        return false;
      }
    }
    return true;
  }

 private:
  // The i-th eigenvalue (from 0, ascending; i > n, so in (0, 1)) to
  // long double precision: bisection on Sturm counts (the number of
  // negative pivots of T - z I is the number of eigenvalues below z) until
  // a bracket holds it alone, then Newton's method inside the bracket.
  [[nodiscard]] long double bisect(int i) const {
    const int m = size();
    if (beta_ld_.empty()) {
      beta_ld_.resize(at(m));
      for (int k = 1; k < m; ++k) {
        beta_ld_[at(k)] = mpfr_get_ld(beta(k), MPFR_RNDN);
      }
    }
    const auto below = [&](long double z) {
      long double d = -z;
      int count = d < 0 ? 1 : 0;
      for (int k = 1; k < m; ++k) {
        d = -z - beta_ld_[at(k)] / d;
        count += d < 0 ? 1 : 0;
      }
      return count;
    };
    long double lo = 0.0L;
    long double hi = 1.0L;
    int below_lo = n_ + 1;  // the middle node 0 and those under it
    int below_hi = m;
    for (int step = 0; step < bisection_steps; ++step) {
      // Not while lo is 0, the middle node, to which Newton's method may
      // go as well.
      if (below_lo == i && below_hi == i + 1 && lo > 0) {
        const long double x = newton_ld((lo + hi) / 2);
        if (lo < x && x < hi) {
          return x;
        }
      }
      const long double z = (lo + hi) / 2;
      const int count = below(z);
      if (count > i) {
        hi = z;
        below_hi = count;
      } else {
        lo = z;
        below_lo = count;
      }
    }
    return (lo + hi) / 2;
  }

  // Newton's method in long double on the characteristic polynomial, from
  // x: where it settles, or -1 if it does not (the caller checks that it
  // is inside the bracket).
  [[nodiscard]] long double newton_ld(long double x) const {
    long double step_before = 1.0L;
    for (int step = 0; step < ld_newton_steps; ++step) {
      long double p_prev = 1.0L;
      long double p = x;
      long double dp_prev = 0.0L;
      long double dp = 1.0L;
      for (int k = 1; k < size(); ++k) {
        const long double dp_next = p + x * dp - beta_ld_[at(k)] * dp_prev;
        const long double p_next = x * p - beta_ld_[at(k)] * p_prev;
        dp_prev = dp;
        dp = dp_next;
        p_prev = p;
        p = p_next;
      }
      if (!(dp != 0.0L)) {
        return -1.0L;
      }
      // Settled: the step is at the last bits, or near them and no longer
      // shrinking (the rounding errors of the recurrence).
      const long double step_size = std::fabs(p / dp);
      x -= p / dp;
      if (step_size <= 0x1p-62L * std::fabs(x) ||
          (step_size <= 0x1p-48L * std::fabs(x) &&
           step_size >= step_before / 4)) {
        return x;
      }
      step_before = step_size;
    }
    return -1.0L;
  }

  // Newton's method on the characteristic polynomial p_m, by p_{k+1} = x
  // p_k - beta_k p_{k-1}; false if it does not settle. It stops when a
  // step t moves x by less than 2^-(bits - newton_slack), or, once the
  // steps shrink quadratically (t below 2^-40 of the step before), when
  // the next one, about |t|^3 / |t_before|^2, would.
  bool refine(long double start, mpfr_ptr x) const {
    Mp p(bits_);
    Mp p_prev(bits_);
    Mp dp(bits_);
    Mp dp_prev(bits_);
    Mp t(bits_);
    mpfr_set_ld(x, start, MPFR_RNDN);
    const long stop = -(bits_ - newton_slack);
    long step_before = 0;  // the exponent of the step before, if any
    for (int step = 0; step < newton_max_steps; ++step) {
      mpfr_set_ui(p_prev.get(), 1, MPFR_RNDN);
      mpfr_set(p.get(), x, MPFR_RNDN);
      mpfr_set_ui(dp_prev.get(), 0, MPFR_RNDN);
      mpfr_set_ui(dp.get(), 1, MPFR_RNDN);
      for (int k = 1; k < size(); ++k) {
        // dp_{k+1} = p_k + x dp_k - beta_k dp_{k-1}
        mpfr_mul(t.get(), x, dp.get(), MPFR_RNDN);
        mpfr_add(t.get(), t.get(), p.get(), MPFR_RNDN);
        mpfr_mul(dp_prev.get(), dp_prev.get(), beta(k), MPFR_RNDN);
        mpfr_sub(dp_prev.get(), t.get(), dp_prev.get(), MPFR_RNDN);
        mpfr_swap(dp_prev.get(), dp.get());
        mpfr_mul(t.get(), x, p.get(), MPFR_RNDN);
        mpfr_mul(p_prev.get(), p_prev.get(), beta(k), MPFR_RNDN);
        mpfr_sub(p_prev.get(), t.get(), p_prev.get(), MPFR_RNDN);
        mpfr_swap(p_prev.get(), p.get());
      }
      mpfr_div(t.get(), p.get(), dp.get(), MPFR_RNDN);
      mpfr_sub(x, x, t.get(), MPFR_RNDN);
      if (mpfr_zero_p(t.get()) != 0) {
        return true;
      }
      // |t| < 2^e.
      const long e = mpfr_get_exp(t.get());
      if (e < stop || (step > 0 && e <= step_before - 40 &&
                       3 * e - 2 * (step_before - 1) < stop)) {
        return true;
      }
      step_before = e;
    }
    return false;
  }

  // The Christoffel number at x: 1 / sum_j q_j(x)^2 over the orthonormal
  // polynomials q_j = p_j / sqrt(beta_0 ... beta_j), j < m.
  void weight_at(mpfr_srcptr x, mpfr_ptr w) const {
    if (inverse_norms_.empty()) {
      Mp norm(bits_);
      mpfr_set_ui(norm.get(), 1, MPFR_RNDN);
      inverse_norms_.assign(at(size()), Mp(bits_));
      for (int k = 0; k < size(); ++k) {
        mpfr_mul(norm.get(), norm.get(), beta(k), MPFR_RNDN);
        mpfr_ui_div(inverse_norms_[at(k)].get(), 1, norm.get(), MPFR_RNDN);
      }
    }
    Mp p(bits_);
    Mp p_prev(bits_);
    Mp t(bits_);
    Mp sum(bits_);
    mpfr_set_ui(p.get(), 1, MPFR_RNDN);
    mpfr_set_ui(p_prev.get(), 0, MPFR_RNDN);
    mpfr_set(sum.get(), inverse_norms_[0].get(), MPFR_RNDN);
    for (int k = 1; k < size(); ++k) {
      // p_k = x p_{k-1} - beta_{k-1} p_{k-2}
      mpfr_fmms(p_prev.get(), x, p.get(), beta(k - 1), p_prev.get(), MPFR_RNDN);
      mpfr_swap(p_prev.get(), p.get());
      mpfr_sqr(t.get(), p.get(), MPFR_RNDN);
      mpfr_fma(sum.get(), t.get(), inverse_norms_[at(k)].get(), sum.get(),
               MPFR_RNDN);
    }
    mpfr_ui_div(w, 1, sum.get(), MPFR_RNDN);
  }

  int n_;
  mpfr_prec_t bits_;
  bool ok_ = false;
  std::vector<Mp> beta_;
  std::vector<Mp> nodes_;
  std::vector<Mp> weights_;
  mutable std::vector<long double> beta_ld_;
  mutable std::vector<Mp> inverse_norms_;
};

// The reference at 256 bits, confirmed, or at 1024 where 256 leaves a
// rounding uncertain; null after a failure, which it reports.
std::unique_ptr<KronrodReference> confirmed_reference(int n) {
  for (const mpfr_prec_t bits : {reference_bits, precise_bits}) {
    auto reference = std::make_unique<KronrodReference>(n, bits);
    const double tolerance =
        std::ldexp(1.0, -static_cast<int>(bits - check_slack));
    if (!reference->ok()) {
      ADD_FAILURE() << "N " << n << ": no reference at " << bits << " bits";
      return nullptr;
    }
    const double exactness = reference->exactness_error();
    const double gauss = reference->gauss_node_error();
    if (!(exactness < tolerance && gauss < tolerance)) {
      ADD_FAILURE() << "N " << n << " at " << bits << " bits: exactness "
                    << exactness << ", Gauss nodes " << gauss;
      return nullptr;
    }
    if (reference->certain()) {
      return reference;
    }
  }
  ADD_FAILURE() << "N " << n << ": a value within 2^-968 of a midpoint";
  return nullptr;
}

using testing::hex;

bool same_bits(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

// The N of the default tests: the smallest, and the Gauss orders of
// QUADPACK's pairs G7-K15 to G30-K61.
constexpr int sampled_orders[] = {1, 2, 3, 7, 10, 15, 20, 30};

// v exactly (out has the bits).
void dyadic_to_mpfr(const detail::Dyadic& v, mpfr_ptr out) {
  mpfr_set_zero(out, 1);
  // Most significant limb first.
  for (std::size_t i = v.mantissa.limbs.size(); i-- > 0;) {
    mpfr_mul_2ui(out, out, 32, MPFR_RNDN);
    mpfr_add_ui(out, out, v.mantissa.limbs[i], MPFR_RNDN);
  }
  mpfr_mul_2si(out, out, v.exponent, MPFR_RNDN);
  if (v.mantissa.negative) {
    mpfr_neg(out, out, MPFR_RNDN);
  }
}

// Laurie's algorithm in balls: the diagonal exactly 0, mu0 exactly 2, and
// each square a ball holding the reference's value, about as narrow as the
// bits asked; nothing outside the orders.
TEST(KronrodMatrix, BallsHoldTheReferenceAndAreNarrow) {
  constexpr int bits = 128;
  for (const int n : {1, 2, 3, 7, 10, 15, 20, 30, 100}) {
    // At 1024 bits the reference's squares are far inside the balls.
    const KronrodReference reference(n, precise_bits);
    ASSERT_TRUE(reference.ok());
    const double tolerance =
        std::ldexp(1.0, -static_cast<int>(precise_bits - check_slack));
    EXPECT_LT(reference.exactness_error(), tolerance) << "N " << n;
    EXPECT_LT(reference.gauss_node_error(), tolerance) << "N " << n;
    detail::JacobiMatrix matrix;
    ASSERT_TRUE(detail::kronrod_matrix(n, bits, &matrix)) << "N " << n;
    ASSERT_EQ(matrix.a.size(), at(2 * n + 1));
    ASSERT_EQ(matrix.b2.size(), at(2 * n));
    for (const detail::Ball& a : matrix.a) {
      EXPECT_TRUE(detail::big_sign(detail::ball_upper(a).mantissa) == 0 &&
                  detail::big_sign(detail::ball_lower(a).mantissa) == 0);
    }
    double mu0 = 0.0;
    EXPECT_TRUE(detail::ball_round(matrix.mu0, &mu0) && mu0 == 2.0 &&
                matrix.mu0.rad.mantissa == 0);
    // The ends' midpoints have bits + kronrod's guard bits, at most a few
    // thousand.
    Mp end(8 * precise_bits);
    Mp width(8 * precise_bits);
    for (int k = 0; k < 2 * n; ++k) {
      const detail::Ball& square = matrix.b2[at(k)];
      const mpfr_srcptr exact = reference.beta(k + 1);
      dyadic_to_mpfr(detail::ball_lower(square), end.get());
      EXPECT_LE(mpfr_cmp(end.get(), exact), 0) << "N " << n << ", b2 " << k;
      dyadic_to_mpfr(detail::ball_upper(square), width.get());
      EXPECT_GE(mpfr_cmp(width.get(), exact), 0) << "N " << n << ", b2 " << k;
      mpfr_sub(width.get(), width.get(), end.get(), MPFR_RNDN);
      mpfr_div(width.get(), width.get(), exact, MPFR_RNDN);
      EXPECT_LT(mpfr_get_d(width.get(), MPFR_RNDN), std::ldexp(1.0, -bits))
          << "N " << n << ", b2 " << k;
    }
  }
  detail::JacobiMatrix matrix;
  EXPECT_FALSE(detail::kronrod_matrix(0, bits, &matrix));
  EXPECT_FALSE(detail::kronrod_matrix(1000, bits, &matrix));
}

// Counts the values of family_rule that are not the nearest double to the
// reference's, reporting the first few.
struct Tally {
  int failures = 0;
  void check(const char* what, int n, int i, double actual, double expected) {
    if (!same_bits(actual, expected) && ++failures <= 10) {
      ADD_FAILURE() << "N " << n << ", " << what << " " << i << ": "
                    << hex(actual) << ", nearest " << hex(expected);
    }
  }
};

// Every value of the rule of Gauss order n on [-1, 1] against the
// reference; the Gauss nodes and weights against the Gauss-Legendre rule's
// bits.
void check_order(int n, Tally& tally) {
  const auto reference = confirmed_reference(n);
  ASSERT_NE(reference, nullptr);
  const int m = 2 * n + 1;
  std::vector<double> nodes(at(m));
  std::vector<double> weights(at(m));
  std::vector<double> gauss_weights(at(m));
  FamilyRequest request;
  request.family = RuleFamily::kronrod;
  request.n = n;
  ASSERT_EQ(
      family_rule(request, nodes.data(), weights.data(), gauss_weights.data()),
      m)
      << "N " << n;
  for (int i = 0; i < m; ++i) {
    tally.check("node", n, i, nodes[at(i)],
                mpfr_get_d(reference->node(i), MPFR_RNDN));
    tally.check("weight", n, i, weights[at(i)],
                mpfr_get_d(reference->weight(i), MPFR_RNDN));
  }
  std::vector<double> gauss_nodes(at(n), 0.0);
  std::vector<double> gauss(at(n), 2.0);  // order 1: node 0, weight 2
  if (n > 1) {
    ASSERT_EQ(correctly_rounded_rule(n, gauss_nodes.data(), gauss.data()), n);
  }
  for (int i = 0; i < m; ++i) {
    if (i % 2 == 1) {
      tally.check("Gauss node", n, i, nodes[at(i)], gauss_nodes[at(i / 2)]);
    }
    tally.check("Gauss weight", n, i, gauss_weights[at(i)],
                i % 2 == 1 ? gauss[at(i / 2)] : 0.0);
  }
}

TEST(KronrodRule, SampledOrdersAreTheNearestDoubles) {
  Tally tally;
  for (const int n : sampled_orders) {
    check_order(n, tally);
  }
  EXPECT_EQ(tally.failures, 0);
}

// On [a, b] each value is rounded once from (a + b)/2 + (b - a)/2 x and
// (b - a)/2 w, and the Gauss rule's values are the Gauss-Legendre rule's
// on [a, b]. The intervals scale exactly in MPFR and cancel nowhere, so
// the reference stays certain.
TEST(KronrodRule, OnAnIntervalEachValueIsRoundedOnce) {
  Tally tally;
  Mp v(precise_bits);
  for (const int n : {1, 7, 15}) {
    const auto reference = confirmed_reference(n);
    ASSERT_NE(reference, nullptr);
    const int m = 2 * n + 1;
    for (const auto& [a, b] : {std::pair{0.0, 1.0}, std::pair{1.0, 3.0}}) {
      std::vector<double> nodes(at(m));
      std::vector<double> weights(at(m));
      std::vector<double> gauss_weights(at(m));
      FamilyRequest request;
      request.family = RuleFamily::kronrod;
      request.n = n;
      request.on_interval = true;
      request.a = a;
      request.b = b;
      ASSERT_EQ(family_rule(request, nodes.data(), weights.data(),
                            gauss_weights.data()),
                m);
      for (int i = 0; i < m; ++i) {
        mpfr_mul_d(v.get(), reference->node(i), (b - a) / 2, MPFR_RNDN);
        mpfr_add_d(v.get(), v.get(), (a + b) / 2, MPFR_RNDN);
        ASSERT_TRUE(rounding_certain(v.get(), reference_bits - check_slack));
        tally.check("node", n, i, nodes[at(i)], mpfr_get_d(v.get(), MPFR_RNDN));
        mpfr_mul_d(v.get(), reference->weight(i), (b - a) / 2, MPFR_RNDN);
        ASSERT_TRUE(rounding_certain(v.get(), reference_bits - check_slack));
        tally.check("weight", n, i, weights[at(i)],
                    mpfr_get_d(v.get(), MPFR_RNDN));
      }
      std::vector<double> gauss_nodes(at(n), (a + b) / 2);
      std::vector<double> gauss(at(n), b - a);
      if (n > 1) {
        ASSERT_EQ(
            correctly_rounded_rule(n, a, b, gauss_nodes.data(), gauss.data()),
            n);
      }
      for (int i = 1; i < m; i += 2) {
        tally.check("Gauss node", n, i, nodes[at(i)], gauss_nodes[at(i / 2)]);
        tally.check("Gauss weight", n, i, gauss_weights[at(i)],
                    gauss[at(i / 2)]);
      }
    }
  }
  EXPECT_EQ(tally.failures, 0);
}

// On intervals where rounding is hard (subnormal ends, a tie-prone tiny
// interval, ends straddling 0, the whole double range) the nodes at the
// Gauss positions and the Gauss weights are the Gauss-Legendre rule's bits
// there: two ways of rounding the same exact values, signs of zero
// included.
TEST(KronrodRule, GaussValuesMatchTheGaussRuleOnHardIntervals) {
  Tally tally;
  const std::pair<double, double> intervals[] = {
      {0.0, 0x3p-1074}, {0x1p-1070, 0x1p-1060},
      {1e-300, 3e-300}, {-0x1p-60, 1.0},
      {-3.0, 7.5},      {-DBL_MAX, DBL_MAX}};
  for (const int n : {2, 7, 30}) {
    const int m = 2 * n + 1;
    for (const auto& [a, b] : intervals) {
      std::vector<double> nodes(at(m));
      std::vector<double> weights(at(m));
      std::vector<double> gauss_weights(at(m));
      FamilyRequest request;
      request.family = RuleFamily::kronrod;
      request.n = n;
      request.on_interval = true;
      request.a = a;
      request.b = b;
      ASSERT_EQ(family_rule(request, nodes.data(), weights.data(),
                            gauss_weights.data()),
                m)
          << hex(a) << " " << hex(b);
      std::vector<double> gauss_nodes(at(n));
      std::vector<double> gauss(at(n));
      ASSERT_EQ(
          correctly_rounded_rule(n, a, b, gauss_nodes.data(), gauss.data()), n);
      for (int i = 0; i < m; ++i) {
        tally.check("Gauss node", n, i, i % 2 == 1 ? nodes[at(i)] : 0.0,
                    i % 2 == 1 ? gauss_nodes[at(i / 2)] : 0.0);
        tally.check("Gauss weight", n, i, gauss_weights[at(i)],
                    i % 2 == 1 ? gauss[at(i / 2)] : 0.0);
      }
    }
  }
  EXPECT_EQ(tally.failures, 0);
}

// The full suite's share, within its budget: every N to 60 (the sizes
// adaptive integrators use and the matrix's small cases), powers of two
// and their neighbours, and the largest orders.
TEST(KronrodSweep, SampledOrdersOfTheFullSuite) {
  Tally tally;
  for (int n = detail::kronrod_min_order; n <= 60; ++n) {
    check_order(n, tally);
  }
  for (const int n : {64, 100, 127, 128, 129, 200, 256, 500, 512, 998, 999}) {
    check_order(n, tally);
  }
  EXPECT_EQ(tally.failures, 0);
}

// Every N from 1 to 999, in shards run side by side: N with N % shards ==
// shard, round robin, so that each shard gets a like share of the work,
// which grows as N^2.
constexpr int full_shards = ZEMTA_KRONROD_SHARDS;
class KronrodFull : public ::testing::TestWithParam<int> {};

TEST_P(KronrodFull, EveryNodeAndWeightIsTheNearestDouble) {
  Tally tally;
  const auto start = std::chrono::steady_clock::now();
  for (int n = detail::kronrod_min_order; n <= detail::kronrod_max_order; ++n) {
    if (n % full_shards == GetParam()) {
      check_order(n, tally);
    }
  }
  EXPECT_EQ(tally.failures, 0);
  std::printf(
      "shard %d: %.1f s\n", GetParam(),
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count());
}

INSTANTIATE_TEST_SUITE_P(AllKronrodOrders, KronrodFull,
                         ::testing::Range(0, full_shards));

}  // namespace
}  // namespace zemta
