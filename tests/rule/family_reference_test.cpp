// family_rule against the MPFR reference of family_reference.h: every node
// and weight must be the double nearest the reference's, bit for bit. The
// reference is checked first on its own, whatever family_rule does: its
// rounding to doubles, its rules' exactness on polynomials, and its Jacobi
// rules against Chebyshev's closed forms. A family family_rule does not
// compute yet is skipped with a message.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "family_reference.h"
#include "quadrature/coefficients.h"
#include "rule/quadrature/families.h"
#include "rule/quadrature/families/hermite_recurrence.h"
#include "rule/quadrature/families/laguerre_recurrence.h"
#include "rule/quadrature/families/lobatto_radau_recurrence.h"
#include "support/memory_stream.h"

namespace zemta {
namespace {

using testing::BigFloat;
using testing::hex;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

const RuleFamilyName& about(RuleFamily family) {
  for (const RuleFamilyName& f : rule_family_names) {
    if (f.family == family) {
      return f;
    }
  }
  return rule_family_names[0];
}

std::string describe(const FamilyRequest& r) {
  std::ostringstream out;
  out << testing::family_name(r.family);
  if (about(r.family).takes_alpha) {
    out << " alpha " << hex(r.alpha);
  }
  if (about(r.family).takes_beta) {
    out << " beta " << hex(r.beta);
  }
  if (r.scaled) {
    out << " scaled";
  }
  if (r.on_interval) {
    out << " on [" << hex(r.a) << ", " << hex(r.b) << "]";
  }
  out << ", order " << r.n;
  return out.str();
}

// ---- The reference on its own ----

// Rounding: ties to even at both ends of the subnormals and in the normal
// range, the overflow to infinity, and whether a tie is reported as
// uncertain (it is, unless the value is exact).
TEST(ReferenceSelfCheck, NearestDoubleRoundsTiesToEvenWithSubnormals) {
  const struct {
    std::uint64_t m;  // the value m 2^e
    long e;
    double relative_error;
    double expected;
    bool certain;
  } cases[] = {
      {1, -1075, 0.0, 0.0, true},  // half the least: 0
      {1, -1076, 0x1p-200, 0.0, true},
      {(1ULL << 60) + 1, -1135, 0x1p-200, 0x1p-1074, true},  // above half
      {3, -1075, 0.0, 0x1p-1073, true},                      // 1.5 quanta: 2
      {3, -1075, 0x1p-200, 0x1p-1073, false},                // a tie, inexact
      {(1ULL << 53) - 1, -1075, 0.0, DBL_MIN, true},         // to the normals
      {(1ULL << 53) + 1, -53, 0.0, 1.0, true},               // 1 + 2^-53: 1
      {(1ULL << 53) + 3, -53, 0.0, 1.0 + 0x1p-51, true},
      {(1ULL << 54) - 1, -54, 0.0, 1.0, true},  // 1 - 2^-54: 1
      {(1ULL << 62) + 1, -62, 0x1p-200, 1.0, true},
      {(1ULL << 54) - 1, 970, 0.0, HUGE_VAL, true},  // DBL_MAX + ulp/2
  };
  for (const auto& c : cases) {
    for (const int sign : {1, -1}) {
      BigFloat v;
      BigFloat low;
      mpfr_set_ui_2exp(v.get(), static_cast<unsigned long>(c.m >> 32U),
                       c.e + 32, MPFR_RNDN);
      mpfr_set_ui_2exp(low.get(), static_cast<unsigned long>(c.m & 0xffffffffU),
                       c.e, MPFR_RNDN);
      mpfr_add(v.get(), v.get(), low.get(), MPFR_RNDN);
      mpfr_mul_si(v.get(), v.get(), sign, MPFR_RNDN);
      bool certain = true;
      const double got =
          testing::nearest_double(v.get(), c.relative_error, &certain);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(got),
                std::bit_cast<std::uint64_t>(sign * c.expected))
          << c.m << " 2^" << c.e << ": " << hex(got);
      EXPECT_EQ(certain, c.certain) << c.m << " 2^" << c.e;
    }
  }
}

// The integral of f against the family's weight function, for the basis f
// the check uses: (1 + x)^j on [-1, 1], x^j on the line and half-line.
//   (1 - x)^a (1 + x)^b: 2^(a + b + j + 1) Gamma(a + 1) Gamma(b + j + 1) /
//                        Gamma(a + b + j + 2)
//   e^(-x^2):            Gamma((j + 1)/2) for even j, 0 for odd
//   e^(-x^2/2):          2^((j + 1)/2) Gamma((j + 1)/2) for even j
//   x^a e^(-x):          Gamma(a + j + 1)
void moment(RuleFamily family, double a, double b, int j, mpfr_ptr out) {
  BigFloat t;
  BigFloat u;
  const auto uj = static_cast<unsigned long>(j);
  switch (family) {
    case RuleFamily::hermite:
    case RuleFamily::hermite_prob:
      if (j % 2 == 1) {
        mpfr_set_zero(out, 1);
        return;
      }
      mpfr_set_ui(t.get(), uj + 1, MPFR_RNDN);
      mpfr_div_2ui(t.get(), t.get(), 1, MPFR_RNDN);
      mpfr_gamma(out, t.get(), MPFR_RNDN);
      if (family == RuleFamily::hermite_prob) {
        mpfr_ui_pow(u.get(), 2, t.get(), MPFR_RNDN);
        mpfr_mul(out, out, u.get(), MPFR_RNDN);
      }
      return;
    case RuleFamily::laguerre:
      mpfr_set_d(t.get(), a, MPFR_RNDN);
      mpfr_add_ui(t.get(), t.get(), uj + 1, MPFR_RNDN);
      mpfr_gamma(out, t.get(), MPFR_RNDN);
      return;
    default:
      break;
  }
  mpfr_set_d(t.get(), a + 1.0, MPFR_RNDN);
  mpfr_gamma(out, t.get(), MPFR_RNDN);
  mpfr_set_d(t.get(), b, MPFR_RNDN);
  mpfr_add_ui(t.get(), t.get(), uj + 1, MPFR_RNDN);
  mpfr_gamma(u.get(), t.get(), MPFR_RNDN);
  mpfr_mul(out, out, u.get(), MPFR_RNDN);
  mpfr_add_d(t.get(), t.get(), a + 1.0, MPFR_RNDN);
  mpfr_gamma(u.get(), t.get(), MPFR_RNDN);
  mpfr_div(out, out, u.get(), MPFR_RNDN);
  mpfr_sub_ui(t.get(), t.get(), 1, MPFR_RNDN);  // a + b + j + 1
  mpfr_ui_pow(u.get(), 2, t.get(), MPFR_RNDN);
  mpfr_mul(out, out, u.get(), MPFR_RNDN);
}

// The weight function's parameters: Jacobi's (a, b) for the finite
// families, alpha for Laguerre.
std::pair<double, double> weight_parameters(const FamilyRequest& r) {
  switch (r.family) {
    case RuleFamily::chebyshev1:
      return {-0.5, -0.5};
    case RuleFamily::chebyshev2:
      return {0.5, 0.5};
    case RuleFamily::jacobi:
    case RuleFamily::laguerre:
      return {r.alpha, r.beta};
    default:
      return {0.0, 0.0};
  }
}

// The highest degree the rule of order n integrates exactly.
int exactness(RuleFamily family, int n) {
  switch (family) {
    case RuleFamily::lobatto:
      return 2 * n - 3;
    case RuleFamily::radau:
    case RuleFamily::radau_right:
      return 2 * n - 2;
    default:
      return 2 * n - 1;
  }
}

// n nodes exact to that degree (with the fixed ends) make the rule unique,
// so exactness on a basis of the polynomials proves the reference's rule,
// nodes and weights, to within the tolerance: the sum's error relative to
// the sum of its terms' magnitudes.
TEST(ReferenceSelfCheck, RulesIntegrateTheirPolynomialsExactly) {
  const struct {
    RuleFamily family;
    double alpha;
    double beta;
  } cases[] = {
      {RuleFamily::legendre, 0, 0},    {RuleFamily::lobatto, 0, 0},
      {RuleFamily::radau, 0, 0},       {RuleFamily::radau_right, 0, 0},
      {RuleFamily::chebyshev1, 0, 0},  {RuleFamily::chebyshev2, 0, 0},
      {RuleFamily::hermite, 0, 0},     {RuleFamily::hermite_prob, 0, 0},
      {RuleFamily::laguerre, -0.9, 0}, {RuleFamily::laguerre, 0, 0},
      {RuleFamily::laguerre, 2.5, 0},  {RuleFamily::laguerre, 100, 0},
      {RuleFamily::jacobi, -0.5, 0.5}, {RuleFamily::jacobi, 0, 1},
      {RuleFamily::jacobi, 2.5, 2.5},  {RuleFamily::jacobi, -0.9, 10},
      {RuleFamily::jacobi, 100, -0.9}, {RuleFamily::jacobi, -0.9, -0.9},
  };
  constexpr double tolerance = 0x1p-200;
  for (const auto& c : cases) {
    for (const int n : {1, 2, 3, 5, 10, 100}) {
      const FamilyRequest r{c.family, n, c.alpha, c.beta};
      if (n < about(c.family).min_order) {
        continue;
      }
      const testing::ReferenceRule rule =
          testing::reference_rule(r, testing::reference_bits);
      ASSERT_TRUE(rule.proved) << describe(r);
      ASSERT_EQ(rule.nodes.size(), at(n)) << describe(r);
      const auto [a, b] = weight_parameters(r);
      const bool finite = about(c.family).domain == FamilyDomain::finite;
      BigFloat sum;
      BigFloat magnitude;
      BigFloat term;
      BigFloat exact;
      for (int j = 0; j <= exactness(c.family, n); ++j) {
        mpfr_set_zero(sum.get(), 1);
        mpfr_set_zero(magnitude.get(), 1);
        for (int i = 0; i < n; ++i) {
          if (finite) {
            mpfr_add_ui(term.get(), rule.nodes[at(i)].value.get(), 1,
                        MPFR_RNDN);
          } else {
            mpfr_set(term.get(), rule.nodes[at(i)].value.get(), MPFR_RNDN);
          }
          mpfr_pow_ui(term.get(), term.get(), static_cast<unsigned long>(j),
                      MPFR_RNDN);
          mpfr_mul(term.get(), term.get(), rule.weights[at(i)].value.get(),
                   MPFR_RNDN);
          mpfr_add(sum.get(), sum.get(), term.get(), MPFR_RNDN);
          mpfr_abs(term.get(), term.get(), MPFR_RNDN);
          mpfr_add(magnitude.get(), magnitude.get(), term.get(), MPFR_RNDN);
        }
        moment(c.family, a, b, j, exact.get());
        mpfr_sub(sum.get(), sum.get(), exact.get(), MPFR_RNDN);
        if (mpfr_zero_p(magnitude.get()) == 0) {
          mpfr_div(sum.get(), sum.get(), magnitude.get(), MPFR_RNDN);
        }
        EXPECT_LT(std::fabs(mpfr_get_d(sum.get(), MPFR_RNDN)), tolerance)
            << describe(r) << ", degree " << j;
      }
    }
  }
}

// Jacobi's rules at (-1/2, -1/2) and (1/2, 1/2), by the recurrence and the
// closed formula for the weights, are Chebyshev's, by their closed forms,
// up to the largest order.
TEST(ReferenceSelfCheck, JacobiAtHalvesIsChebyshev) {
  constexpr double tolerance = 0x1p-220;
  BigFloat d;
  for (const auto& [family, half] : {std::pair{RuleFamily::chebyshev1, -0.5},
                                     std::pair{RuleFamily::chebyshev2, 0.5}}) {
    for (const int n : {1, 2, 3, 5, 10, 100, 999}) {
      const testing::ReferenceRule closed = testing::reference_rule(
          FamilyRequest{family, n}, testing::reference_bits);
      const testing::ReferenceRule jacobi = testing::reference_rule(
          FamilyRequest{RuleFamily::jacobi, n, half, half},
          testing::reference_bits);
      ASSERT_TRUE(jacobi.proved) << n;
      ASSERT_EQ(jacobi.nodes.size(), at(n));
      for (int i = 0; i < n; ++i) {
        for (const auto& [x, y] :
             {std::pair{&closed.nodes[at(i)], &jacobi.nodes[at(i)]},
              std::pair{&closed.weights[at(i)], &jacobi.weights[at(i)]}}) {
          mpfr_sub(d.get(), x->value.get(), y->value.get(), MPFR_RNDN);
          if (mpfr_zero_p(x->value.get()) == 0) {
            mpfr_div(d.get(), d.get(), x->value.get(), MPFR_RNDN);
          }
          EXPECT_LT(std::fabs(mpfr_get_d(d.get(), MPFR_RNDN)), tolerance)
              << testing::family_name(family) << " order " << n << ", " << i;
        }
      }
    }
  }
}

// ---- family_rule against the reference ----

struct Tally {
  int failures = 0;
  long values = 0;
  double reference_seconds = 0.0;
  double reference_nodes = 0.0;  // the sum of n^2: a rule costs n^2
};

double cpu_seconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Every node and weight of the request's rule, bit for bit, against the
// expected doubles.
void compare(const FamilyRequest& r, const testing::ExpectedRule& expected,
             Tally& tally) {
  const std::string what = describe(r);
  if (!expected.problem.empty() || expected.undecided != 0) {
    ++tally.failures;
    ADD_FAILURE() << what << ": " << expected.problem << ", "
                  << expected.undecided << " values undecided";
    return;
  }
  const int count = family_node_count(r.family, r.n);
  std::vector<double> nodes(at(count));
  std::vector<double> weights(at(count));
  std::vector<double> gauss_weights(at(count));
  const int got =
      family_rule(r, nodes.data(), weights.data(), gauss_weights.data());
  const auto past_range =
      std::count_if(expected.weights.begin(), expected.weights.end(),
                    [](double w) { return std::isinf(w); });
  if (past_range > 0 && got == 0) {
    return;  // a weight past DBL_MAX has no double: the rule is refused
  }
  if (got != count || expected.nodes.size() != at(count) || past_range > 0) {
    ++tally.failures;
    ADD_FAILURE() << what << ": " << got << " nodes, reference "
                  << expected.nodes.size()
                  << (past_range > 0 ? ", with weights past DBL_MAX (infinity)"
                                     : "");
    return;
  }
  for (int i = 0; i < count; ++i) {
    for (const auto& [kind, actual, nearest] :
         {std::tuple{"node", nodes[at(i)], expected.nodes[at(i)]},
          std::tuple{"weight", weights[at(i)], expected.weights[at(i)]}}) {
      ++tally.values;
      if (std::bit_cast<std::uint64_t>(actual) !=
              std::bit_cast<std::uint64_t>(nearest) &&
          ++tally.failures <= 10) {
        ADD_FAILURE() << what << ", " << kind << " " << i << ": " << hex(actual)
                      << ", nearest " << hex(nearest);
      }
    }
  }
}

testing::ExpectedRule timed_reference(
    const FamilyRequest& r, Tally& tally,
    testing::ReferenceRule* reference = nullptr) {
  const double start = cpu_seconds();
  testing::ExpectedRule expected = testing::expected_rule(r, reference);
  tally.reference_seconds += cpu_seconds() - start;
  tally.reference_nodes += static_cast<double>(r.n) * r.n;
  return expected;
}

void check(const FamilyRequest& r, Tally& tally) {
  compare(r, timed_reference(r, tally), tally);
}

// The requests for one family: its parameters, each order, and with
// --scaled or --interval where the family takes them.
struct Sample {
  std::vector<std::pair<double, double>> parameters{{0.0, 0.0}};
  std::vector<int> orders;
  std::vector<std::pair<double, double>> intervals;  // finite families
  bool scaled = false;                               // scalable families
};

std::vector<FamilyRequest> requests(RuleFamily family, const Sample& sample) {
  std::vector<FamilyRequest> out;
  const RuleFamilyName& f = about(family);
  for (const auto& [alpha, beta] : sample.parameters) {
    for (const int n : sample.orders) {
      if (n < f.min_order || n > max_order) {
        continue;
      }
      const FamilyRequest plain{family, n, alpha, beta};
      out.push_back(plain);
      if (sample.scaled && f.scalable) {
        FamilyRequest scaled = plain;
        scaled.scaled = true;
        out.push_back(scaled);
      }
      if (f.domain == FamilyDomain::finite) {
        for (const auto& [a, b] : sample.intervals) {
          FamilyRequest mapped = plain;
          mapped.on_interval = true;
          mapped.a = a;
          mapped.b = b;
          out.push_back(mapped);
        }
      }
    }
  }
  return out;
}

// The families family_rule gives and the reference covers (not kronrod).
const RuleFamily checked_families[] = {
    RuleFamily::legendre,    RuleFamily::lobatto,      RuleFamily::radau,
    RuleFamily::radau_right, RuleFamily::chebyshev1,   RuleFamily::chebyshev2,
    RuleFamily::hermite,     RuleFamily::hermite_prob, RuleFamily::laguerre,
    RuleFamily::jacobi};

// Laguerre's alpha and Jacobi's (alpha, beta) in the fast suite: both
// signs, the integers, a half, and far from the Legendre case.
std::vector<std::pair<double, double>> sample_parameters(RuleFamily family) {
  if (family == RuleFamily::laguerre) {
    return {{-0.5, 0.0}, {0.0, 0.0}, {2.5, 0.0}};
  }
  if (family == RuleFamily::jacobi) {
    return {{-0.5, 0.5}, {0.0, 1.0}, {2.5, 2.5}, {-0.9, 10.0}};
  }
  return {{0.0, 0.0}};
}

class FamilySample : public ::testing::TestWithParam<RuleFamily> {};

TEST_P(FamilySample, EveryValueIsTheNearestDouble) {
  const RuleFamily family = GetParam();
  Sample sample;
  sample.parameters = sample_parameters(family);
  sample.orders = {1, 2, 3, 5, 10, 100};
  sample.intervals = {{0.0, 1.0}, {-3.0, 7.5}};
  sample.scaled = true;
  Tally tally;
  for (const FamilyRequest& r : requests(family, sample)) {
    check(r, tally);
  }
  EXPECT_EQ(tally.failures, 0);
}

std::string family_test_name(const ::testing::TestParamInfo<RuleFamily>& info) {
  std::string name = testing::family_name(info.param);
  for (char& ch : name) {
    ch = ch == '-' ? '_' : ch;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Families, FamilySample,
                         ::testing::ValuesIn(checked_families),
                         family_test_name);

// ---- The full sweep ----
//
// Every order of each family without parameters, in shards (label full):
// per rule of order n, on one core of the 2-core AMD EPYC machine, the
// reference costs about 0.35 us n^2 of CPU for a symmetric rule and twice
// that for another, and family_rule about 0.2 us n^2 and twice that, so
// each Hermite kind takes about 210 s; lobatto and radau (radau-right
// checked against its mirror image), whose rules come from Legendre's
// recurrence at a small part of that, about 100 s and 200 s, their values
// before the rounding held to their bounds; the Chebyshev kinds,
// closed forms on both sides, a few seconds. Laguerre and Jacobi on
// parameter_grid at parameter_orders and parameter_large_orders (about 70
// s); --scaled at a sample.

// The orders 1 to max_order that fall to one of a family's shards: round
// robin, so that the shards share the n^2 cost.
std::vector<int> shard_orders(int shard, int shards) {
  std::vector<int> out;
  for (int n = shard + 1; n <= max_order; n += shards) {
    out.push_back(n);
  }
  return out;
}

// The orders where special cases live (the first coefficients of the
// recurrence, order 1's closed forms, the engine's small rules: 1 to 40)
// and powers of two up to 256 with a few between.
std::vector<int> parameter_orders() {
  std::vector<int> out;
  for (int n = 1; n <= 40; ++n) {
    out.push_back(n);
  }
  for (const int n : {50, 64, 100, 128, 200, 256}) {
    out.push_back(n);
  }
  return out;
}

// The largest orders at each parameter.
const std::vector<int> parameter_large_orders = {500, 512, 999};

// Near each end of alpha, beta > -1, a half and an integer each side of 0,
// and far from the Legendre case.
constexpr double parameter_grid[] = {-0.9, -0.5, 0.0,  0.5,
                                     1.0,  2.5,  10.0, 100.0};

struct Job {
  RuleFamily family;
  double alpha = 0.0;
  double beta = 0.0;
  bool scaled = false;
  std::vector<int> orders;
};

struct Shard {
  std::string name;
  std::vector<Job> jobs;
};

// The name, not the bytes, in the test list.
void PrintTo(const Shard& shard, std::ostream* out) { *out << shard.name; }

// Jacobi's pairs from the grid: the diagonal (symmetric rules), the pairs
// with a 0 (the Radau kind of weight), and six others both ways round.
std::vector<std::pair<double, double>> jacobi_pairs() {
  std::vector<std::pair<double, double>> out;
  for (const double a : parameter_grid) {
    out.emplace_back(a, a);
    if (a != 0.0) {
      out.emplace_back(a, 0.0);
      out.emplace_back(0.0, a);
    }
  }
  for (const auto& [a, b] :
       {std::pair{-0.9, 100.0}, std::pair{-0.5, 10.0}, std::pair{0.5, 2.5},
        std::pair{1.0, -0.9}, std::pair{10.0, 100.0}, std::pair{-0.5, 0.5}}) {
    out.emplace_back(a, b);
    out.emplace_back(b, a);
  }
  return out;
}

std::vector<Shard> sweep_shards() {
  std::vector<Shard> out;
  const auto every_order = [&](const std::string& name,
                               std::initializer_list<RuleFamily> families,
                               int shards) {
    for (int k = 0; k < shards; ++k) {
      Shard shard{name + "_" + std::to_string(k), {}};
      for (const RuleFamily family : families) {
        shard.jobs.push_back(
            Job{family, 0.0, 0.0, false, shard_orders(k, shards)});
      }
      out.push_back(shard);
    }
  };
  every_order("lobatto", {RuleFamily::lobatto}, 2);
  every_order("radau", {RuleFamily::radau}, 4);
  every_order("hermite", {RuleFamily::hermite}, 2);
  every_order("hermite_prob", {RuleFamily::hermite_prob}, 2);
  every_order("laguerre", {RuleFamily::laguerre}, 3);
  every_order("chebyshev", {RuleFamily::chebyshev1, RuleFamily::chebyshev2}, 1);
  std::vector<std::pair<RuleFamily, std::pair<double, double>>> sets;
  for (const double alpha : parameter_grid) {
    sets.emplace_back(RuleFamily::laguerre, std::pair{alpha, 0.0});
  }
  for (const auto& pair : jacobi_pairs()) {
    sets.emplace_back(RuleFamily::jacobi, pair);
  }
  // The large orders in two shards, the sets taken alternately.
  for (int k = 0; k < 2; ++k) {
    Shard large{"parameters_large_" + std::to_string(k), {}};
    for (std::size_t i = 0; i < sets.size(); ++i) {
      if (i % 2 != static_cast<std::size_t>(k)) {
        continue;
      }
      const auto& [family, pair] = sets[i];
      large.jobs.push_back(
          Job{family, pair.first, pair.second, false, parameter_large_orders});
    }
    out.push_back(large);
  }
  Shard parameters{"parameters", {}};
  for (const auto& [family, pair] : sets) {
    parameters.jobs.push_back(
        Job{family, pair.first, pair.second, false, parameter_orders()});
  }
  out.push_back(parameters);
  const std::vector<int> scaled_orders = {1,  2,  3,   4,   5,  10,
                                          20, 64, 100, 256, 999};
  Shard scaled{"scaled",
               {Job{RuleFamily::hermite, 0.0, 0.0, true, scaled_orders},
                Job{RuleFamily::hermite_prob, 0.0, 0.0, true, scaled_orders}}};
  for (const double alpha : {-0.5, 0.0, 2.5, 100.0}) {
    scaled.jobs.push_back(
        Job{RuleFamily::laguerre, alpha, 0.0, true, scaled_orders});
  }
  out.push_back(scaled);
  return out;
}

// The radau rule's expected doubles mirrored: radau-right's.
testing::ExpectedRule mirrored(const testing::ExpectedRule& rule) {
  testing::ExpectedRule out = rule;
  const std::size_t n = rule.nodes.size();
  for (std::size_t i = 0; i < n; ++i) {
    out.nodes[i] = -rule.nodes[n - 1 - i];
    out.weights[i] = rule.weights[n - 1 - i];
  }
  return out;
}

// The largest errors of Lobatto's and Radau's inner values before their
// rounding (lobatto_radau_recurrence.h), against the reference: nodes absolute,
// weights relative.
struct RecurrenceErrors {
  double node = 0.0;
  double weight = 0.0;
  // The largest of each error over its family's bound.
  double node_share = 0.0;
  double weight_share = 0.0;
};

// A family's bounds: node, weight (recurrence headers).
std::pair<int, int> recurrence_bounds(RuleFamily family) {
  switch (family) {
    case RuleFamily::lobatto:
      return {detail::lobatto_node_error_exponent,
              detail::lobatto_weight_error_exponent};
    case RuleFamily::radau:
      return {detail::radau_node_error_exponent,
              detail::radau_weight_error_exponent};
    case RuleFamily::laguerre:
      return {detail::laguerre_node_error_exponent,
              detail::laguerre_weight_error_exponent};
    default:
      return {detail::hermite_node_error_exponent,
              detail::hermite_weight_error_exponent};
  }
}

void measure_recurrence(RuleFamily family, int n,
                        const testing::ReferenceRule& reference,
                        RecurrenceErrors& errors) {
  const bool lobatto = family == RuleFamily::lobatto;
  const bool hermite =
      family == RuleFamily::hermite || family == RuleFamily::hermite_prob;
  const bool laguerre = family == RuleFamily::laguerre;
  // The values held: the nodes after the first `skip` of the reference's.
  const int inner = lobatto ? n - 2 : hermite || laguerre ? n : n - 1;
  const int count = lobatto || hermite ? half_count(inner) : inner;
  const int skip = hermite || laguerre ? 0 : 1;
  if (inner < 1 || reference.nodes.size() != static_cast<std::size_t>(n)) {
    return;
  }
  std::vector<detail::Dd> nodes(static_cast<std::size_t>(count));
  std::vector<detail::Dd> weights(nodes.size());
  std::vector<int> exponents(nodes.size(), 0);
  const auto& kernel = detail::best_root_batch_kernel();
  if (lobatto) {
    detail::lobatto_inner_rule_dd(kernel, n, nodes.data(), weights.data());
  } else if (hermite) {
    detail::hermite_rule_dd(kernel, family == RuleFamily::hermite_prob, n,
                            nodes.data(), weights.data(), exponents.data());
  } else if (laguerre) {
    detail::laguerre_rule_dd(kernel, n, nodes.data(), weights.data(),
                             exponents.data());
  } else {
    detail::radau_inner_rule_dd(kernel, n, nodes.data(), weights.data());
  }
  testing::BigFloat d;
  // |v 2^exponent - exact|, relative to exact if asked.
  const auto error = [&](detail::Dd v, int exponent,
                         const testing::BigFloat& exact, bool relative) {
    mpfr_set_d(d.get(), v.hi, MPFR_RNDN);
    mpfr_add_d(d.get(), d.get(), v.lo, MPFR_RNDN);
    mpfr_mul_2si(d.get(), d.get(), exponent, MPFR_RNDN);
    mpfr_sub(d.get(), d.get(), exact.get(), MPFR_RNDN);
    if (relative) {
      mpfr_div(d.get(), d.get(), exact.get(), MPFR_RNDN);
    }
    return std::fabs(mpfr_get_d(d.get(), MPFR_RNDU));
  };
  for (int j = 0; j < count; ++j) {
    const int upper = inner - count + j + skip;
    const auto at = static_cast<std::size_t>(upper);
    const auto mine = static_cast<std::size_t>(j);
    // Laguerre's node bound is relative, the others' absolute.
    const double node =
        error(nodes[mine], 0, reference.nodes[at].value, laguerre);
    const double weight = error(weights[mine], exponents[mine],
                                reference.weights[at].value, true);
    const auto [node_bound, weight_bound] = recurrence_bounds(family);
    errors.node = std::max(errors.node, node);
    errors.weight = std::max(errors.weight, weight);
    errors.node_share =
        std::max(errors.node_share, std::ldexp(node, -node_bound));
    errors.weight_share =
        std::max(errors.weight_share, std::ldexp(weight, -weight_bound));
  }
}

class FullShard : public ::testing::TestWithParam<Shard> {};

TEST_P(FullShard, EveryValueIsTheNearestDouble) {
  const Shard& shard = GetParam();
  const double start = cpu_seconds();
  Tally tally;
  RecurrenceErrors recurrence;
  for (const Job& job : shard.jobs) {
    for (const int n : job.orders) {
      FamilyRequest r{job.family, n, job.alpha, job.beta, job.scaled};
      if (n < about(job.family).min_order) {
        continue;
      }
      testing::ReferenceRule reference;
      const testing::ExpectedRule expected =
          timed_reference(r, tally, &reference);
      compare(r, expected, tally);
      if (!job.scaled && job.alpha == 0.0 &&
          (job.family == RuleFamily::lobatto ||
           job.family == RuleFamily::radau ||
           job.family == RuleFamily::hermite ||
           job.family == RuleFamily::hermite_prob ||
           job.family == RuleFamily::laguerre)) {
        measure_recurrence(job.family, n, reference, recurrence);
      }
      if (job.family == RuleFamily::radau) {
        r.family = RuleFamily::radau_right;
        compare(r, mirrored(expected), tally);
      }
    }
  }
  EXPECT_EQ(tally.failures, 0);
  if (recurrence.node > 0.0) {
    std::printf(
        "values before rounding: node error %a, weight %a relative, at most "
        "%.3g and %.3g of their bounds\n",
        recurrence.node, recurrence.weight, recurrence.node_share,
        recurrence.weight_share);
    EXPECT_LT(recurrence.node_share, 1.0);
    EXPECT_LT(recurrence.weight_share, 1.0);
  }
  const double seconds = cpu_seconds() - start;
  std::printf(
      "%s: %ld values, CPU %.1f s, of it the reference %.1f s (%.3f us per "
      "node and order)\n",
      shard.name.c_str(), tally.values, seconds, tally.reference_seconds,
      1e6 * tally.reference_seconds / tally.reference_nodes);
}

std::string shard_name(const ::testing::TestParamInfo<Shard>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(FamilyFullSweep, FullShard,
                         ::testing::ValuesIn(sweep_shards()), shard_name);

}  // namespace
}  // namespace zemta
