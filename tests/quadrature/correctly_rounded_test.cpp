// correctly_rounded_rule against MPFR: every node and weight must be the
// double nearest the value computed at 256 bits, by Newton's method from
// the program's own roots (compute_coefficients), not from the engine's
// starting points or arithmetic.
#include "quadrature/correctly_rounded.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "quadrature/coefficients.h"
#include "support/memory_stream.h"

namespace zemta {
namespace {

using testing::hex;

// 256 bits: Newton from a root within 2^-45 of the truth reaches 2^-250 in
// four steps (the error squares, times at most 2^19, each step), and a
// value within 2^-240 of a midpoint between doubles would be reported.
constexpr mpfr_prec_t reference_bits = 256;
constexpr int reference_steps = 4;
// The last Newton step must have moved the root by less than this.
constexpr double reference_converged = 0x1p-200;
// Closer than this to a midpoint, in ulps, the reference itself could
// round either way.
constexpr double reference_ambiguous = 0x1p-150;

// An mpfr_t that frees itself.
class Big {
 public:
  Big() { mpfr_init2(value_, reference_bits); }
  Big(const Big&) = delete;
  Big& operator=(const Big&) = delete;
  ~Big() { mpfr_clear(value_); }
  mpfr_ptr get() { return value_; }
  mpfr_srcptr get() const { return value_; }

 private:
  mpfr_t value_;
};

// The non-negative nodes of the order-n rule, ascending, and their weights,
// at reference_bits.
class Reference {
 public:
  explicit Reference(int n) : n_(n), nodes_(half_count(n)), weights_(half_count(n)) {
    std::vector<double> start(half_count(n));
    std::vector<double> unused(half_count(n));
    testing::MemoryStream diag;
    compute_coefficients(n, start.data(), unused.data(), diag.file());
    mpfr_fac_ui(factorial_.get(), n, MPFR_RNDN);
    for (int j = 0; j < half_count(n); ++j) {
      refine(start[j], nodes_[j].get(), weights_[j].get());
    }
  }
  mpfr_srcptr node(int j) const { return nodes_[j].get(); }
  mpfr_srcptr weight(int j) const { return weights_[j].get(); }
  bool converged() const { return converged_; }

 private:
  // Q_k = k! P_k, so that (k + 1) P_{k+1} = (2k + 1) x P_k - k P_{k-1}
  // becomes Q_{k+1} = (2k + 1) x Q_k - k^2 Q_{k-1}: no division per step.
  // Leaves Q_n in q_ and Q_{n-1} in q_prev_.
  void legendre_scaled(mpfr_srcptr x) {
    mpfr_set_ui(q_prev_.get(), 1, MPFR_RNDN);
    mpfr_set(q_.get(), x, MPFR_RNDN);
    for (unsigned long k = 1; k < static_cast<unsigned long>(n_); ++k) {
      mpfr_mul(t_.get(), q_.get(), x, MPFR_RNDN);
      mpfr_mul_ui(t_.get(), t_.get(), 2 * k + 1, MPFR_RNDN);
      mpfr_mul_ui(q_prev_.get(), q_prev_.get(), k * k, MPFR_RNDN);
      mpfr_sub(q_prev_.get(), t_.get(), q_prev_.get(), MPFR_RNDN);
      mpfr_swap(q_prev_.get(), q_.get());
    }
  }

  // Newton's method for P_n from start; the weight 2 / ((1 - x^2) P_n'^2)
  // from the last evaluation, P_n' = n (P_{n-1} - x P_n) / (1 - x^2).
  void refine(double start, mpfr_ptr x, mpfr_ptr w) {
    mpfr_set_d(x, start, MPFR_RNDN);
    for (int step = 0; step < reference_steps; ++step) {
      legendre_scaled(x);
      // n! P_n' (1 - x^2) / n = n Q_{n-1} - x Q_n, into d_.
      mpfr_mul(d_.get(), x, q_.get(), MPFR_RNDN);
      mpfr_mul_ui(t_.get(), q_prev_.get(), n_, MPFR_RNDN);
      mpfr_sub(d_.get(), t_.get(), d_.get(), MPFR_RNDN);
      mpfr_sqr(s_.get(), x, MPFR_RNDN);
      mpfr_ui_sub(s_.get(), 1, s_.get(), MPFR_RNDN);  // 1 - x^2
      // dx = Q_n (1 - x^2) / (n d).
      mpfr_mul(t_.get(), q_.get(), s_.get(), MPFR_RNDN);
      mpfr_div(t_.get(), t_.get(), d_.get(), MPFR_RNDN);
      mpfr_div_ui(t_.get(), t_.get(), n_, MPFR_RNDN);
      if (step == reference_steps - 1) {
        converged_ = converged_ && mpfr_cmpabs_ui(t_.get(), 0) == 0
                         ? true
                         : converged_ && std::fabs(mpfr_get_d(t_.get(), MPFR_RNDN)) <
                                             reference_converged;
        // w = 2 (1 - x^2) (n!)^2 / (n d)^2.
        mpfr_mul_ui(d_.get(), d_.get(), n_, MPFR_RNDN);
        mpfr_div(d_.get(), factorial_.get(), d_.get(), MPFR_RNDN);
        mpfr_sqr(d_.get(), d_.get(), MPFR_RNDN);
        mpfr_mul(w, d_.get(), s_.get(), MPFR_RNDN);
        mpfr_mul_ui(w, w, 2, MPFR_RNDN);
      }
      mpfr_sub(x, x, t_.get(), MPFR_RNDN);
    }
  }

  int n_;
  std::vector<Big> nodes_;
  std::vector<Big> weights_;
  Big factorial_;
  Big q_;
  Big q_prev_;
  Big t_;
  Big d_;
  Big s_;
  bool converged_ = true;
};

// Distance from v to the nearest midpoint between doubles, in ulps of the
// double nearest v: 1/2 for a double, near 0 for a value that only just
// rounds the way it does.
double midpoint_distance(mpfr_srcptr v) {
  const double d = mpfr_get_d(v, MPFR_RNDN);
  const int side = mpfr_cmp_d(v, d);
  if (side == 0) {
    return 0.5;
  }
  const double next = std::nextafter(d, side > 0 ? DBL_MAX : -DBL_MAX);
  const double gap = std::fabs(next - d);
  Big off;
  mpfr_sub_d(off.get(), v, d, MPFR_RNDN);
  mpfr_abs(off.get(), off.get(), MPFR_RNDN);
  mpfr_div_d(off.get(), off.get(), gap, MPFR_RNDN);
  return 0.5 - mpfr_get_d(off.get(), MPFR_RNDN);
}

// Compares one computed value with the reference, counting and reporting
// the first few that are not its nearest double.
struct Tally {
  int failures = 0;
  double closest_midpoint = 0.5;

  void check(const char* what, int n, int i, double actual, mpfr_srcptr exact) {
    const double expected = mpfr_get_d(exact, MPFR_RNDN);
    closest_midpoint = std::min(closest_midpoint, midpoint_distance(exact));
    if (std::memcmp(&actual, &expected, sizeof actual) != 0) {
      if (++failures <= 10) {
        ADD_FAILURE() << "order " << n << ", " << what << " " << i << ": "
                      << hex(actual) << ", nearest " << hex(expected);
      }
    }
  }
};

// Every node and weight of the order-n rule on [-1, 1].
void check_order(int n, Tally& tally) {
  const Reference reference(n);
  EXPECT_TRUE(reference.converged()) << "order " << n;
  std::vector<double> nodes(n);
  std::vector<double> weights(n);
  ASSERT_EQ(correctly_rounded_rule(n, nodes.data(), weights.data()), n);
  Big negated;
  const int half = half_count(n);
  for (int j = 0; j < half; ++j) {
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    tally.check("node", n, upper, nodes[upper], reference.node(j));
    tally.check("weight", n, upper, weights[upper], reference.weight(j));
    if (lower == upper) {
      continue;  // the middle node, +0
    }
    mpfr_neg(negated.get(), reference.node(j), MPFR_RNDN);
    tally.check("node", n, lower, nodes[lower], negated.get());
    tally.check("weight", n, lower, weights[lower], reference.weight(j));
  }
}

// Orders of the fast suite: the smallest, odd and even, powers of two and
// their neighbours, and the largest.
TEST(CorrectlyRoundedRule, SampledOrdersAreTheNearestDoubles) {
  Tally tally;
  for (const int n : {2, 3, 4, 5, 7, 20, 63, 64, 65, 128, 255, 500, 997, 999}) {
    check_order(n, tally);
  }
  EXPECT_EQ(tally.failures, 0);
}

constexpr int full_shards = ZEMTA_CORRECTLY_ROUNDED_SHARDS;

// Orders n with n % full_shards == shard: round robin, so that each shard
// gets a like share of the work, which grows as n^2.
class FullReference : public ::testing::TestWithParam<int> {};

TEST_P(FullReference, EveryNodeAndWeightIsTheNearestDouble) {
  Tally tally;
  for (int n = min_order; n <= max_order; ++n) {
    if (n % full_shards == GetParam()) {
      check_order(n, tally);
    }
  }
  EXPECT_EQ(tally.failures, 0);
  std::printf("closest approach of an exact value to a midpoint: %a ulp\n",
              tally.closest_midpoint);
  EXPECT_GT(tally.closest_midpoint, reference_ambiguous);
}

INSTANTIATE_TEST_SUITE_P(AllOrders, FullReference,
                         ::testing::Range(0, full_shards));

}  // namespace
}  // namespace zemta
