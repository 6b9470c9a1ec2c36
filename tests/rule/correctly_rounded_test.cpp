// correctly_rounded_rule against MPFR: every node and weight must be the
// double nearest the value computed at 256 bits, by Newton's method from
// the program's own roots (compute_coefficients), not from the engine's
// starting points or arithmetic; and on intervals [a, b] chosen to be
// hard, every node and weight the double nearest its exact value, with
// the fast path and with the slow path alone.
#include "rule/quadrature/correctly_rounded.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "quadrature/coefficients.h"
#include "rule/quadrature/interval_rule.h"
#include "rule/quadrature/root_batch.h"
#include "support/memory_stream.h"
#include "support/mpfr_value.h"

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
// The same errors in ulps of the nearest double, the bound
// correctly_rounded.h states for every value.
constexpr double largest_error_ulps = 0x1p-32;
// Closer than this to a midpoint, in ulps, the reference itself could
// round either way.
constexpr double reference_ambiguous = 0x1p-150;

std::size_t count(int n) { return static_cast<std::size_t>(n); }

// At reference_bits unless told.
struct Big : testing::MpfrValue {
  Big() : MpfrValue(reference_bits) {}
  explicit Big(mpfr_prec_t bits) : MpfrValue(bits) {}
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
  // Either's, in ulps of the double nearest the exact value.
  double error_ulps = 0.0;

  void measure(detail::Dd actual, mpfr_srcptr exact, bool relative) {
    Big error;
    mpfr_set_d(error.get(), actual.hi, MPFR_RNDN);
    mpfr_add_d(error.get(), error.get(), actual.lo, MPFR_RNDN);
    mpfr_sub(error.get(), error.get(), exact, MPFR_RNDN);
    const double nearest = std::fabs(mpfr_get_d(exact, MPFR_RNDN));
    const double ulp = std::nextafter(nearest, DBL_MAX) - nearest;
    error_ulps = std::max(error_ulps,
                          std::fabs(mpfr_get_d(error.get(), MPFR_RNDN)) / ulp);
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
void check_order(int n, const Reference& reference, Tally& tally) {
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
    check_order(n, Reference(n), tally);
  }
  EXPECT_EQ(tally.failures, 0);
  EXPECT_LT(tally.node_error, largest_node_error);
  EXPECT_LT(tally.weight_error, largest_weight_error);
  EXPECT_LT(tally.error_ulps, largest_error_ulps);
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
// the reference's x and w. The reference's own rounding must be certain:
// its x is within 2^-250 and its w within 2^-250 relative, so a value
// closer than that to a midpoint between doubles is computed again from a
// root refined at precise_bits, and if still that close, reported.
struct Interval {
  double a;
  double b;
};

constexpr mpfr_prec_t precise_bits = 1024;
constexpr int precise_steps = 3;  // 250 bits, doubled three times
constexpr int reference_margin_exponent = -238;

// The root near x refined to precise_bits, and its weight.
void refine_precisely(int n, mpfr_srcptr x256, mpfr_ptr x, mpfr_ptr w) {
  const auto order = static_cast<unsigned long>(n);
  Big p(precise_bits);
  Big p_prev(precise_bits);
  Big t(precise_bits);
  Big s(precise_bits);
  Big d(precise_bits);
  mpfr_set(x, x256, MPFR_RNDN);
  for (int step = 0; step <= precise_steps; ++step) {
    // P_n and P_{n-1} by P_{k+1} = ((2k + 1) x P_k - k P_{k-1}) / (k + 1).
    mpfr_set_ui(p_prev.get(), 1, MPFR_RNDN);
    mpfr_set(p.get(), x, MPFR_RNDN);
    for (unsigned long k = 1; k < order; ++k) {
      mpfr_mul(t.get(), p.get(), x, MPFR_RNDN);
      mpfr_mul_ui(t.get(), t.get(), 2 * k + 1, MPFR_RNDN);
      mpfr_mul_ui(p_prev.get(), p_prev.get(), k, MPFR_RNDN);
      mpfr_sub(p_prev.get(), t.get(), p_prev.get(), MPFR_RNDN);
      mpfr_div_ui(p_prev.get(), p_prev.get(), k + 1, MPFR_RNDN);
      mpfr_swap(p_prev.get(), p.get());
    }
    // P_n' = n (P_{n-1} - x P_n) / (1 - x^2), into d.
    mpfr_sqr(s.get(), x, MPFR_RNDN);
    mpfr_ui_sub(s.get(), 1, s.get(), MPFR_RNDN);
    mpfr_mul(d.get(), x, p.get(), MPFR_RNDN);
    mpfr_sub(d.get(), p_prev.get(), d.get(), MPFR_RNDN);
    mpfr_mul_ui(d.get(), d.get(), order, MPFR_RNDN);
    mpfr_div(d.get(), d.get(), s.get(), MPFR_RNDN);
    if (step == precise_steps) {
      mpfr_sqr(t.get(), d.get(), MPFR_RNDN);
      mpfr_mul(t.get(), t.get(), s.get(), MPFR_RNDN);
      mpfr_ui_div(w, 2, t.get(), MPFR_RNDN);
      return;
    }
    mpfr_div(t.get(), p.get(), d.get(), MPFR_RNDN);
    mpfr_sub(x, x, t.get(), MPFR_RNDN);
  }
}

// |v - the nearest midpoint between doubles| > bound.
bool rounding_certain(mpfr_srcptr v, mpfr_srcptr bound) {
  const double d = mpfr_get_d(v, MPFR_RNDN);
  Big off(precise_bits);
  for (const double next :
       {std::nextafter(d, HUGE_VAL), std::nextafter(d, -HUGE_VAL)}) {
    if (std::isinf(next)) {
      continue;  // no value here lies past DBL_MAX
    }
    // (d + next)/2, exactly at precise_bits.
    mpfr_set_d(off.get(), d, MPFR_RNDN);
    mpfr_add_d(off.get(), off.get(), next, MPFR_RNDN);
    mpfr_div_2ui(off.get(), off.get(), 1, MPFR_RNDN);
    mpfr_sub(off.get(), off.get(), v, MPFR_RNDN);
    if (mpfr_cmpabs(off.get(), bound) <= 0) {
      return false;
    }
  }
  return true;
}

// The reference value of a node (sign = +1 or -1 for x or -x) or of a
// weight (sign = 0) on [a, b], from x and w at their precision, into v;
// false if its rounding is not certain. The middle node (x = 0) and the
// weights of order 2 (w = 1) are exact values, certain as they are.
bool mapped(int n, double a, double b, mpfr_srcptr x, mpfr_srcptr w, int sign,
            mpfr_ptr v) {
  // 2200 bits hold a + b and b - a exactly for any finite doubles.
  constexpr mpfr_prec_t end_bits = 2200;
  Big mid(end_bits);
  Big radius(end_bits);
  mpfr_set_d(mid.get(), a, MPFR_RNDN);
  mpfr_add_d(mid.get(), mid.get(), b, MPFR_RNDN);
  mpfr_div_2ui(mid.get(), mid.get(), 1, MPFR_RNDN);
  mpfr_set_d(radius.get(), b, MPFR_RNDN);
  mpfr_sub_d(radius.get(), radius.get(), a, MPFR_RNDN);
  mpfr_div_2ui(radius.get(), radius.get(), 1, MPFR_RNDN);
  Big bound(end_bits);
  const mpfr_prec_t bits = mpfr_get_prec(x);
  const long margin = reference_margin_exponent * (bits / reference_bits);
  if (sign == 0 && n == 2) {
    mpfr_set(v, radius.get(), MPFR_RNDN);
    return true;
  }
  if (sign != 0 && mpfr_zero_p(x) != 0) {
    mpfr_set(v, mid.get(), MPFR_RNDN);
    return true;
  }
  if (sign == 0) {
    mpfr_mul(v, radius.get(), w, MPFR_RNDN);
    mpfr_mul_2si(bound.get(), v, margin, MPFR_RNDN);
  } else {
    mpfr_mul(v, radius.get(), x, MPFR_RNDN);
    if (sign < 0) {
      mpfr_neg(v, v, MPFR_RNDN);
    }
    mpfr_add(v, mid.get(), v, MPFR_RNDN);
    mpfr_mul_2si(bound.get(), radius.get(), margin, MPFR_RNDN);
  }
  mpfr_abs(bound.get(), bound.get(), MPFR_RNDN);
  return rounding_certain(v, bound.get());
}

// Each node and weight of the order-n rule on each interval against the
// reference.
void check_intervals(int n, const Reference& reference,
                     std::initializer_list<Interval> intervals,
                     detail::FastRounding fast, Tally& tally,
                     detail::IntervalCounts& counts) {
  std::vector<double> nodes(count(n));
  std::vector<double> weights(count(n));
  const int half = half_count(n);
  Big value(2200);  // as mapped's ends
  Big x(precise_bits);
  Big w(precise_bits);
  for (const auto [a, b] : intervals) {
    ASSERT_EQ(detail::correctly_rounded_rule(detail::best_root_batch_kernel(),
                                             n, a, b, nodes.data(),
                                             weights.data(), fast, &counts),
              n)
        << hex(a) << " " << hex(b);
    for (int j = 0; j < half; ++j) {
      const int upper = n - half + j;
      const int lower = n - 1 - upper;
      const struct {
        const char* what;
        int index;
        int sign;
        double actual;
      } values[] = {{"node", upper, 1, nodes[count(upper)]},
                    {"node", lower, -1, nodes[count(lower)]},
                    {"weight", upper, 0, weights[count(upper)]},
                    {"weight", lower, 0, weights[count(lower)]}};
      for (const auto& [what, index, sign, actual] : values) {
        if (!mapped(n, a, b, reference.node(j), reference.weight(j), sign,
                    value.get())) {
          refine_precisely(n, reference.node(j), x.get(), w.get());
          EXPECT_TRUE(mapped(n, a, b, x.get(), w.get(), sign, value.get()))
              << "order " << n << ", " << what << " " << index << " on ["
              << hex(a) << ", " << hex(b) << "]: reference undecided";
        }
        tally.check(what, n, index, actual, value.get());
      }
    }
  }
}

// An interval on which the lower node of x = reference.node(j) maps to
// about 2^-104 (b - a) or nearer: (a + b)/(b - a) = h/k, a convergent of
// x's continued fraction with k < 2^52, so a = (h - k)/2 and b = (h + k)/2
// are doubles.
Interval cancelling(const Reference& reference, int j) {
  Big r;
  Big part;
  mpfr_set(r.get(), reference.node(j), MPFR_RNDN);
  std::uint64_t h0 = 0;
  std::uint64_t h1 = 1;
  std::uint64_t k0 = 1;
  std::uint64_t k1 = 0;
  for (;;) {
    mpfr_floor(part.get(), r.get());
    const std::uint64_t q = mpfr_get_ui(part.get(), MPFR_RNDZ);
    if (q != 0 && k1 > (std::uint64_t{1} << 52) / q) {
      break;
    }
    const std::uint64_t h2 = q * h1 + h0;
    const std::uint64_t k2 = q * k1 + k0;
    if (k2 >= std::uint64_t{1} << 52) {
      break;
    }
    h0 = h1;
    h1 = h2;
    k0 = k1;
    k1 = k2;
    mpfr_sub(r.get(), r.get(), part.get(), MPFR_RNDN);
    if (mpfr_zero_p(r.get()) != 0) {
      break;
    }
    mpfr_ui_div(r.get(), 1, r.get(), MPFR_RNDN);
  }
  const auto h = static_cast<double>(h1);
  const auto k = static_cast<double>(k1);
  return {(h - k) / 2.0, (h + k) / 2.0};
}

constexpr double least_subnormal = 0x1p-1074;

// The intervals where rounding once is hardest: subnormal ends, ends
// straddling 0, one end tiny, huge ends, and one where a node cancels to
// nearly 0.
void check_hard_intervals(int n, const Reference& reference,
                          detail::FastRounding fast, Tally& tally,
                          detail::IntervalCounts& counts) {
  const double q = least_subnormal;
  check_intervals(n, reference,
                  {{0.0, 3 * q},
                   {0.0, 5 * q},
                   {-7 * q, 16 * q},
                   {0.0, 1000 * q},
                   {1e-310, 3e-310},
                   {-1.0, 1.0 + 0x1p-40},
                   {-3.0, 7.5},
                   {0x1p-1060, 1.0},
                   {-DBL_MAX, DBL_MAX},
                   {1e300, 1.7e308},
                   cancelling(reference, n % 2 == 1 ? 1 : 0)},
                  fast, tally, counts);
}

void print_counts(const detail::IntervalCounts& counts, double seconds) {
  std::printf(
      "slow path: %d nodes, %d weights (at most %d bits), %d exact values, "
      "%.1f s in all\n",
      counts.slow_nodes, counts.slow_weights, counts.largest_bits,
      counts.exact_values, seconds);
}

// Orders of either parity, small and the largest, on the hard intervals,
// and on some ordinary ones.
TEST(CorrectlyRoundedRule, IntervalsAreTheNearestDoubles) {
  Tally tally;
  detail::IntervalCounts counts;
  for (const int n : {2, 3, 5, 20, 999}) {
    const Reference reference(n);
    check_hard_intervals(n, reference, detail::FastRounding::allowed, tally,
                         counts);
    check_intervals(n, reference,
                    {{0.0, 1.0}, {1.0, 2.0}, {-1e300, 1e308}, {-0.5, 1e-3}},
                    detail::FastRounding::allowed, tally, counts);
  }
  EXPECT_EQ(tally.failures, 0);
}

// The slow path alone, with the fast path's rounding test made to fail:
// the nearest doubles on the hard intervals, and the fast path's bits on
// ordinary ones.
TEST(CorrectlyRoundedRule, SlowPathGivesTheNearestDoubles) {
  Tally tally;
  detail::IntervalCounts counts;
  for (const int n : {2, 3, 7, 20}) {
    const Reference reference(n);
    check_hard_intervals(n, reference, detail::FastRounding::refused, tally,
                         counts);
    for (const auto [a, b] : {Interval{-1.0, 1.0}, Interval{0.0, 1.0},
                              Interval{-3.0, 7.0}, Interval{1e-300, 3e-300}}) {
      std::vector<double> fast(2 * count(n));
      std::vector<double> slow(2 * count(n));
      const auto& kernel = detail::best_root_batch_kernel();
      detail::correctly_rounded_rule(kernel, n, a, b, fast.data(),
                                     fast.data() + n,
                                     detail::FastRounding::allowed, nullptr);
      detail::correctly_rounded_rule(kernel, n, a, b, slow.data(),
                                     slow.data() + n,
                                     detail::FastRounding::refused, nullptr);
      EXPECT_TRUE(same_bits(fast, slow))
          << "order " << n << " on [" << hex(a) << ", " << hex(b) << "]";
    }
  }
  EXPECT_EQ(tally.failures, 0);
  EXPECT_GT(counts.slow_nodes, 0);
  EXPECT_GT(counts.slow_weights, 0);
}

constexpr int full_shards = ZEMTA_CORRECTLY_ROUNDED_SHARDS;

// Orders n with n % full_shards == shard: round robin, so that each shard
// gets a like share of the work, which grows as n^2.
class FullReference : public ::testing::TestWithParam<int> {};

TEST_P(FullReference, EveryNodeAndWeightIsTheNearestDouble) {
  Tally tally;
  // The intervals' values apart: their exact values may be ties.
  Tally interval_tally;
  detail::IntervalCounts counts;
  std::chrono::duration<double> interval_time{0.0};
  for (int n = min_order; n <= max_order; ++n) {
    if (n % full_shards == GetParam()) {
      const Reference reference(n);
      check_order(n, reference, tally);
      const auto start = std::chrono::steady_clock::now();
      check_hard_intervals(n, reference, detail::FastRounding::allowed,
                           interval_tally, counts);
      interval_time += std::chrono::steady_clock::now() - start;
    }
  }
  EXPECT_EQ(tally.failures, 0);
  EXPECT_EQ(interval_tally.failures, 0);
  std::printf("on the hard intervals, ");
  print_counts(counts, interval_time.count());
  std::printf("closest approach of an exact value to a midpoint: %a ulp\n",
              tally.closest_midpoint);
  std::printf(
      "largest error before rounding: node %a, weight %a relative, %a ulp\n",
      tally.node_error, tally.weight_error, tally.error_ulps);
  EXPECT_LT(tally.node_error, largest_node_error);
  EXPECT_LT(tally.weight_error, largest_weight_error);
  EXPECT_LT(tally.error_ulps, largest_error_ulps);
  EXPECT_GT(tally.closest_midpoint, reference_ambiguous);
}

INSTANTIATE_TEST_SUITE_P(AllOrders, FullReference,
                         ::testing::Range(0, full_shards));

// The slow path alone at large orders, where its integers are longest,
// gives the fast path's bits.
TEST(FullSweep, SlowPathAtLargeOrders) {
  const auto& kernel = detail::best_root_batch_kernel();
  for (const int n : {256, 500}) {
    std::vector<double> fast(2 * count(n));
    std::vector<double> slow(2 * count(n));
    detail::IntervalCounts counts;
    detail::correctly_rounded_rule(kernel, n, -3.0, 7.5, fast.data(),
                                   fast.data() + n,
                                   detail::FastRounding::allowed, nullptr);
    const auto start = std::chrono::steady_clock::now();
    detail::correctly_rounded_rule(kernel, n, -3.0, 7.5, slow.data(),
                                   slow.data() + n,
                                   detail::FastRounding::refused, &counts);
    const std::chrono::duration<double> spent =
        std::chrono::steady_clock::now() - start;
    std::printf("order %d, ", n);
    print_counts(counts, spent.count());
    EXPECT_TRUE(same_bits(fast, slow)) << "order " << n;
  }
}

// Bits between two non-negative doubles: their distance in ulps.
std::int64_t ulps_apart(double x, double y) {
  const auto a = std::bit_cast<std::int64_t>(x);
  const auto b = std::bit_cast<std::int64_t>(y);
  return a > b ? a - b : b - a;
}

// The program's nodes and weights (compute_coefficients) against the
// correctly rounded rule, which the sweep above proves: the largest
// distances in ulps over every order, and the largest relative error of a
// weight, printed for docs/accuracy.md and the README, whose figures they
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
