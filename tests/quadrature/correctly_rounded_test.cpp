// correctly_rounded_rule against MPFR: every node and weight must be the
// double nearest the value computed at 256 bits, by Newton's method from
// the program's own roots (compute_coefficients), not from the engine's
// starting points or arithmetic.
#include "quadrature/correctly_rounded.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/root_batch.h"
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
// The errors correctly_rounded.cpp derives for the values before their
// rounding: a node's absolute, a weight's relative.
constexpr double largest_node_error = 0x1p-95;
constexpr double largest_weight_error = 0x1p-85;
// Closer than this to a midpoint, in ulps, the reference itself could
// round either way.
constexpr double reference_ambiguous = 0x1p-150;

std::size_t count(int n) { return static_cast<std::size_t>(n); }

// An mpfr_t that frees itself.
class Big {
 public:
  Big() { mpfr_init2(value_, reference_bits); }
  Big(const Big&) = delete;
  Big& operator=(const Big&) = delete;
  ~Big() { mpfr_clear(value_); }
  [[nodiscard]] mpfr_ptr get() { return value_; }
  [[nodiscard]] mpfr_srcptr get() const { return value_; }

 private:
  mpfr_t value_;
};

// The non-negative nodes of the order-n rule, ascending, and their weights,
// at reference_bits.
class Reference {
 public:
  explicit Reference(int n)
      : n_(n), nodes_(count(half_count(n))), weights_(count(half_count(n))) {
    std::vector<double> start(count(half_count(n)));
    std::vector<double> unused(count(half_count(n)));
    testing::MemoryStream diag;
    compute_coefficients(n, start.data(), unused.data(), diag.file());
    mpfr_fac_ui(factorial_.get(), order(), MPFR_RNDN);
    for (int j = 0; j < half_count(n); ++j) {
      refine(start[count(j)], nodes_[count(j)].get(), weights_[count(j)].get());
    }
  }
  [[nodiscard]] mpfr_srcptr node(int j) const { return nodes_[count(j)].get(); }
  [[nodiscard]] mpfr_srcptr weight(int j) const {
    return weights_[count(j)].get();
  }
  [[nodiscard]] bool converged() const { return converged_; }

 private:
  [[nodiscard]] unsigned long order() const {
    return static_cast<unsigned long>(n_);
  }

  // Q_k = k! P_k, so that (k + 1) P_{k+1} = (2k + 1) x P_k - k P_{k-1}
  // becomes Q_{k+1} = (2k + 1) x Q_k - k^2 Q_{k-1}: no division per step.
  // Leaves Q_n in q_ and Q_{n-1} in q_prev_.
  void legendre_scaled(mpfr_srcptr x) {
    mpfr_set_ui(q_prev_.get(), 1, MPFR_RNDN);
    mpfr_set(q_.get(), x, MPFR_RNDN);
    for (unsigned long k = 1; k < order(); ++k) {
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
      mpfr_mul_ui(t_.get(), q_prev_.get(), order(), MPFR_RNDN);
      mpfr_sub(d_.get(), t_.get(), d_.get(), MPFR_RNDN);
      mpfr_sqr(s_.get(), x, MPFR_RNDN);
      mpfr_ui_sub(s_.get(), 1, s_.get(), MPFR_RNDN);  // 1 - x^2
      // dx = Q_n (1 - x^2) / (n d).
      mpfr_mul(t_.get(), q_.get(), s_.get(), MPFR_RNDN);
      mpfr_div(t_.get(), t_.get(), d_.get(), MPFR_RNDN);
      mpfr_div_ui(t_.get(), t_.get(), order(), MPFR_RNDN);
      if (step == reference_steps - 1) {
        converged_ =
            converged_ && mpfr_cmpabs_ui(t_.get(), 0) == 0
                ? true
                : converged_ && std::fabs(mpfr_get_d(t_.get(), MPFR_RNDN)) <
                                    reference_converged;
        // w = 2 (1 - x^2) (n!)^2 / (n d)^2.
        mpfr_mul_ui(d_.get(), d_.get(), order(), MPFR_RNDN);
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
  // The largest error before the rounding: of a node, absolute, and of a
  // weight, relative.
  double node_error = 0.0;
  double weight_error = 0.0;

  void measure(detail::Dd actual, mpfr_srcptr exact, bool relative) {
    Big error;
    mpfr_set_d(error.get(), actual.hi, MPFR_RNDN);
    mpfr_add_d(error.get(), error.get(), actual.lo, MPFR_RNDN);
    mpfr_sub(error.get(), error.get(), exact, MPFR_RNDN);
    if (relative) {
      mpfr_div(error.get(), error.get(), exact, MPFR_RNDN);
    }
    double& largest = relative ? weight_error : node_error;
    largest = std::max(largest, std::fabs(mpfr_get_d(error.get(), MPFR_RNDN)));
  }

  void check(const char* what, int n, int i, double actual, mpfr_srcptr exact) {
    const double expected = mpfr_get_d(exact, MPFR_RNDN);
    closest_midpoint = std::min(closest_midpoint, midpoint_distance(exact));
    if (std::bit_cast<std::uint64_t>(actual) !=
        std::bit_cast<std::uint64_t>(expected)) {
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
  std::vector<double> nodes(count(n));
  std::vector<double> weights(count(n));
  ASSERT_EQ(correctly_rounded_rule(n, nodes.data(), weights.data()), n);
  Big negated;
  const int half = half_count(n);
  std::vector<detail::Dd> unrounded_nodes(count(half));
  std::vector<detail::Dd> unrounded_weights(count(half));
  detail::correctly_rounded_rule_dd(detail::best_root_batch_kernel(), n,
                                    unrounded_nodes.data(),
                                    unrounded_weights.data());
  for (int j = 0; j < half; ++j) {
    tally.measure(unrounded_nodes[count(j)], reference.node(j), false);
    tally.measure(unrounded_weights[count(j)], reference.weight(j), true);
    const int upper = n - half + j;
    const int lower = n - 1 - upper;
    tally.check("node", n, upper, nodes[count(upper)], reference.node(j));
    tally.check("weight", n, upper, weights[count(upper)], reference.weight(j));
    if (lower == upper) {
      continue;  // the middle node, +0
    }
    mpfr_neg(negated.get(), reference.node(j), MPFR_RNDN);
    tally.check("node", n, lower, nodes[count(lower)], negated.get());
    tally.check("weight", n, lower, weights[count(lower)], reference.weight(j));
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
  EXPECT_LT(tally.node_error, largest_node_error);
  EXPECT_LT(tally.weight_error, largest_weight_error);
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](double x, double y) {
                      return std::bit_cast<std::uint64_t>(x) ==
                             std::bit_cast<std::uint64_t>(y);
                    });
}

// Every root-batch kernel this processor runs gives the portable kernel's
// bits, at orders whose roots fill the widest batch partly, once, and many
// times over.
TEST(CorrectlyRoundedRule, EveryKernelGivesTheSameBits) {
  const detail::RootBatchKernel& portable =
      *detail::root_batch_kernel(detail::KernelVariant::portable);
  for (const detail::KernelVariant variant :
       {detail::KernelVariant::avx2, detail::KernelVariant::avx512}) {
    const detail::RootBatchKernel* kernel = detail::root_batch_kernel(variant);
    if (kernel == nullptr) {
      continue;
    }
    for (const int n : {2, 3, 17, 63, 64, 65, 998, 999}) {
      std::vector<double> nodes(count(n));
      std::vector<double> weights(count(n));
      std::vector<double> expected_nodes(count(n));
      std::vector<double> expected_weights(count(n));
      detail::correctly_rounded_rule(*kernel, n, nodes.data(), weights.data());
      detail::correctly_rounded_rule(portable, n, expected_nodes.data(),
                                     expected_weights.data());
      EXPECT_TRUE(same_bits(nodes, expected_nodes))
          << kernel->name << ", order " << n;
      EXPECT_TRUE(same_bits(weights, expected_weights))
          << kernel->name << ", order " << n;
    }
  }
}

// The rule on [a, b] against (a + b)/2 + (b - a)/2 x and (b - a)/2 w from
// the 256-bit x and w: intervals of either sign, one far from 0, the
// widest there is, and one of tiny numbers.
TEST(CorrectlyRoundedRule, IntervalsAreTheNearestDoubles) {
  struct Interval {
    double a;
    double b;
  };
  constexpr Interval intervals[] = {
      {0.0, 1.0},          {-3.0, 7.0},      {1.0, 2.0},  {-1e300, 1e308},
      {-DBL_MAX, DBL_MAX}, {1e-300, 3e-300}, {-0.5, 1e-3}};
  Tally tally;
  for (const int n : {2, 7, 20, 999}) {
    const Reference reference(n);
    std::vector<double> nodes(count(n));
    std::vector<double> weights(count(n));
    for (const auto [a, b] : intervals) {
      ASSERT_EQ(correctly_rounded_rule(n, a, b, nodes.data(), weights.data()),
                n);
      Big mid;
      Big radius;
      Big value;
      mpfr_set_d(mid.get(), a, MPFR_RNDN);
      mpfr_add_d(mid.get(), mid.get(), b, MPFR_RNDN);
      mpfr_div_2ui(mid.get(), mid.get(), 1, MPFR_RNDN);
      mpfr_set_d(radius.get(), b, MPFR_RNDN);
      mpfr_sub_d(radius.get(), radius.get(), a, MPFR_RNDN);
      mpfr_div_2ui(radius.get(), radius.get(), 1, MPFR_RNDN);
      const int half = half_count(n);
      for (int j = 0; j < half; ++j) {
        const int upper = n - half + j;
        const int lower = n - 1 - upper;
        mpfr_mul(value.get(), radius.get(), reference.node(j), MPFR_RNDN);
        mpfr_add(value.get(), mid.get(), value.get(), MPFR_RNDN);
        tally.check("node", n, upper, nodes[count(upper)], value.get());
        mpfr_mul(value.get(), radius.get(), reference.node(j), MPFR_RNDN);
        mpfr_sub(value.get(), mid.get(), value.get(), MPFR_RNDN);
        tally.check("node", n, lower, nodes[count(lower)], value.get());
        mpfr_mul(value.get(), radius.get(), reference.weight(j), MPFR_RNDN);
        tally.check("weight", n, upper, weights[count(upper)], value.get());
        tally.check("weight", n, lower, weights[count(lower)], value.get());
      }
    }
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
  std::printf("largest error before rounding: node %a, weight %a relative\n",
              tally.node_error, tally.weight_error);
  EXPECT_LT(tally.node_error, largest_node_error);
  EXPECT_LT(tally.weight_error, largest_weight_error);
  EXPECT_GT(tally.closest_midpoint, reference_ambiguous);
}

INSTANTIATE_TEST_SUITE_P(AllOrders, FullReference,
                         ::testing::Range(0, full_shards));

// Bits between two non-negative doubles: their distance in ulps.
std::int64_t ulps_apart(double x, double y) {
  const auto a = std::bit_cast<std::int64_t>(x);
  const auto b = std::bit_cast<std::int64_t>(y);
  return a > b ? a - b : b - a;
}

// The program's nodes and weights (compute_coefficients) against the
// correctly rounded rule, which the sweep above proves: the largest
// distances in ulps over every order, and the largest relative error of a
// weight, printed for the README's accuracy section, whose figures they
// must stay.
TEST(FullSweep, ProgramErrorsAgainstTheCorrectlyRoundedRule) {
  struct Largest {
    std::int64_t ulps = 0;
    int order = 0;
    double value = 0.0;
  };
  Largest node;
  Largest weight;
  double weight_relative = 0.0;
  std::vector<double> abscissas(count(half_count(max_order)));
  std::vector<double> program_weights(count(half_count(max_order)));
  std::vector<double> nodes(count(max_order));
  std::vector<double> weights(count(max_order));
  for (int n = min_order; n <= max_order; ++n) {
    testing::MemoryStream diag;
    compute_coefficients(n, abscissas.data(), program_weights.data(),
                         diag.file());
    correctly_rounded_rule(n, nodes.data(), weights.data());
    const int half = half_count(n);
    for (int j = 0; j < half; ++j) {
      const double x = nodes[count(n - half + j)];
      const double w = weights[count(n - half + j)];
      const std::int64_t node_ulps = ulps_apart(abscissas[count(j)], x);
      const std::int64_t weight_ulps = ulps_apart(program_weights[count(j)], w);
      if (node_ulps > node.ulps) {
        node = {node_ulps, n, x};
      }
      if (weight_ulps > weight.ulps) {
        weight = {weight_ulps, n, w};
      }
      weight_relative = std::max(weight_relative,
                                 std::fabs(program_weights[count(j)] - w) / w);
    }
  }
  std::printf(
      "program's largest node error: %lld ulps (order %d, node %.17g)\n",
      static_cast<long long>(node.ulps), node.order, node.value);
  std::printf(
      "program's largest weight error: %lld ulps (order %d, weight %.17g)\n",
      static_cast<long long>(weight.ulps), weight.order, weight.value);
  std::printf("program's largest relative weight error: %.2g\n",
              weight_relative);
  EXPECT_LE(node.ulps, 9);
  EXPECT_LE(weight.ulps, 147761);
}

}  // namespace
}  // namespace zemta
