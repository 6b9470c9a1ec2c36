// family_rule for the families on the tridiagonal engine: against closed
// forms in MPFR (the Chebyshev kinds), small rules known exactly, and
// Gauss-Legendre's own correctly rounded rule (Jacobi with alpha = beta =
// 0, a different algorithm); every rule integrating the monomials up to its
// degree; the precision ladder forced to start low; and the requests
// outside the domain. The sweep of every order against MPFR is elsewhere.
#include "rule/quadrature/families.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "rule/quadrature/correctly_rounded.h"
#include "rule/quadrature/families/hermite_recurrence.h"
#include "rule/quadrature/families/laguerre_recurrence.h"
#include "rule/quadrature/families/lobatto_radau_recurrence.h"
#include "rule/quadrature/fast_count.h"
#include "rule/quadrature/interval_lanes.h"
#include "rule/quadrature/root_batch.h"
#include "rule/quadrature/tridiagonal_rule.h"
#include "support/memory_stream.h"

namespace zemta {
namespace {

using testing::hex;

struct Rule {
  int count = 0;
  std::vector<double> nodes;
  std::vector<double> weights;
};

Rule compute(const FamilyRequest& request) {
  Rule rule;
  const auto size = static_cast<std::size_t>(request.n) + 2;
  rule.nodes.assign(size, 0.0);
  rule.weights.assign(size, 0.0);
  rule.count =
      family_rule(request, rule.nodes.data(), rule.weights.data(), nullptr);
  return rule;
}

FamilyRequest request_for(RuleFamily family, int n, double alpha = 0.0,
                          double beta = 0.0) {
  FamilyRequest r;
  r.family = family;
  r.n = n;
  r.alpha = alpha;
  r.beta = beta;
  return r;
}

// sin(p pi / q) or its square, times pi / r, rounded once from 256 bits.
double mpfr_closed_form(long p, long q, bool square, long r) {
  mpfr_t x;
  mpfr_t pi;
  mpfr_init2(x, 256);
  mpfr_init2(pi, 256);
  mpfr_const_pi(pi, MPFR_RNDN);
  mpfr_mul_si(x, pi, p, MPFR_RNDN);
  mpfr_div_si(x, x, q, MPFR_RNDN);
  mpfr_sin(x, x, MPFR_RNDN);
  if (square) {
    mpfr_sqr(x, x, MPFR_RNDN);
  }
  if (r != 0) {
    mpfr_mul(x, x, pi, MPFR_RNDN);
    mpfr_div_si(x, x, r, MPFR_RNDN);
  }
  const double v = mpfr_get_d(x, MPFR_RNDN);
  mpfr_clear(x);
  mpfr_clear(pi);
  return v;
}

// sqrt(p / q), or sqrt(pi p / q), rounded once from 256 bits.
double mpfr_square_root(long p, long q, bool times_pi) {
  mpfr_t x;
  mpfr_init2(x, 256);
  if (times_pi) {
    mpfr_const_pi(x, MPFR_RNDN);
  } else {
    mpfr_set_si(x, 1, MPFR_RNDN);
  }
  mpfr_mul_si(x, x, p, MPFR_RNDN);
  mpfr_div_si(x, x, q, MPFR_RNDN);
  mpfr_sqrt(x, x, MPFR_RNDN);
  const double v = mpfr_get_d(x, MPFR_RNDN);
  mpfr_clear(x);
  return v;
}

// Chebyshev's first kind: x_i = cos((2(n-i)-1) pi / (2n)) = sin((2i+1-n)
// pi / (2n)) (the sine makes the middle node exactly 0), w_i = pi / n; the
// second kind: x_i = sin((2i+1-n) pi / (2(n+1))), w_i = pi/(n+1) sin^2((n-i)
// pi / (n+1)).
TEST(ChebyshevClosedForms, EveryNodeAndWeightIsTheNearestDouble) {
  for (const int n : {1, 2, 3, 4, 5, 6, 7, 11, 12, 33, 64, 101, 257}) {
    const Rule first = compute(request_for(RuleFamily::chebyshev1, n));
    const Rule second = compute(request_for(RuleFamily::chebyshev2, n));
    ASSERT_EQ(first.count, n);
    ASSERT_EQ(second.count, n);
    for (int i = 0; i < n; ++i) {
      const auto k = static_cast<std::size_t>(i);
      EXPECT_EQ(hex(first.nodes[k]),
                hex(mpfr_closed_form(2L * i + 1 - n, 2L * n, false, 0)))
          << "first kind, n " << n << ", node " << i;
      EXPECT_EQ(hex(first.weights[k]), hex(mpfr_closed_form(1, 2, false, n)))
          << "first kind, n " << n << ", weight " << i;
      EXPECT_EQ(hex(second.nodes[k]),
                hex(mpfr_closed_form(2L * i + 1 - n, 2L * (n + 1), false, 0)))
          << "second kind, n " << n << ", node " << i;
      EXPECT_EQ(hex(second.weights[k]),
                hex(mpfr_closed_form(n - i, n + 1, true, n + 1)))
          << "second kind, n " << n << ", weight " << i;
    }
  }
}

// Rules small enough to know by hand, and the Jacobi rule with alpha = beta
// = 0 against Gauss-Legendre's correctly rounded rule.
TEST(SmallRules, AreTheNearestDoubles) {
  const double third = 1.0 / 3.0;  // one IEEE division: the nearest double
  const double root_half = mpfr_square_root(1, 2, false);
  const double root_pi_half = mpfr_square_root(1, 4, true);
  struct Case {
    RuleFamily family;
    int n;
    std::vector<double> nodes;
    std::vector<double> weights;
  };
  const std::vector<Case> cases = {
      {RuleFamily::lobatto, 2, {-1.0, 1.0}, {1.0, 1.0}},
      {RuleFamily::lobatto, 3, {-1.0, 0.0, 1.0}, {third, 4.0 / 3.0, third}},
      {RuleFamily::radau, 1, {-1.0}, {2.0}},
      {RuleFamily::radau, 2, {-1.0, third}, {0.5, 1.5}},
      {RuleFamily::radau_right, 2, {-third, 1.0}, {1.5, 0.5}},
      // Hermite of order 2: -+1/sqrt(2), each weighing sqrt(pi)/2.
      {RuleFamily::hermite,
       2,
       {-root_half, root_half},
       {root_pi_half, root_pi_half}},
      // Laguerre of order 1: the node alpha + 1 = 1, weight Gamma(1) = 1.
      {RuleFamily::laguerre, 1, {1.0}, {1.0}},
  };
  for (const Case& c : cases) {
    const Rule rule = compute(request_for(c.family, c.n));
    ASSERT_EQ(rule.count, c.n);
    for (int i = 0; i < c.n; ++i) {
      const auto k = static_cast<std::size_t>(i);
      EXPECT_EQ(hex(rule.nodes[k]), hex(c.nodes[k]))
          << rule_family_names[static_cast<std::size_t>(c.family)].name << " "
          << c.n << " node " << i;
      EXPECT_EQ(hex(rule.weights[k]), hex(c.weights[k]))
          << rule_family_names[static_cast<std::size_t>(c.family)].name << " "
          << c.n << " weight " << i;
    }
  }
  for (const int n : {2, 3, 8, 45, 200}) {
    const Rule jacobi = compute(request_for(RuleFamily::jacobi, n));
    std::vector<double> nodes(static_cast<std::size_t>(n));
    std::vector<double> weights(static_cast<std::size_t>(n));
    ASSERT_EQ(correctly_rounded_rule(n, nodes.data(), weights.data()), n);
    for (int i = 0; i < n; ++i) {
      const auto k = static_cast<std::size_t>(i);
      EXPECT_EQ(hex(jacobi.nodes[k]), hex(nodes[k])) << n << " node " << i;
      EXPECT_EQ(hex(jacobi.weights[k]), hex(weights[k]))
          << n << " weight " << i;
    }
  }
}

// On [1, 1 + 2^-52] the middle node of Lobatto's rule of order 3 is 1 +
// 2^-53, a tie, to even: 1; the end weights (b - a)/6 and the middle's
// (b - a) 2/3 are rounded once from their exact values.
TEST(SmallRules, OnAnIntervalEachValueIsRoundedOnce) {
  FamilyRequest r = request_for(RuleFamily::lobatto, 3);
  r.on_interval = true;
  r.a = 1.0;
  r.b = 1.0 + 0x1p-52;
  const Rule rule = compute(r);
  ASSERT_EQ(rule.count, 3);
  EXPECT_EQ(hex(rule.nodes[0]), hex(1.0));
  EXPECT_EQ(hex(rule.nodes[1]), hex(1.0));
  EXPECT_EQ(hex(rule.nodes[2]), hex(1.0 + 0x1p-52));
  EXPECT_EQ(hex(rule.weights[0]), hex(0x1p-52 / 6.0));
  EXPECT_EQ(hex(rule.weights[1]), hex(0x1p-52 * 2.0 / 3.0));
  EXPECT_EQ(hex(rule.weights[2]), hex(0x1p-52 / 6.0));
}

// Radau's rule of order 2 on [a, 1] has the inner node (a + 2)/3, a
// rational: a = -1/2 + 3 * 2^-54 and + 9 * 2^-54 make it the midpoints
// 1/2 + 2^-54 and 1/2 + 3 * 2^-54, ties that go to the even neighbours 1/2
// and 1/2 + 2^-52 (no precision decides a tie: the engine's last resort
// must take the even one); radau-right mirrored. The weights (b - a)/4 and
// 3 (b - a)/4 round from 0.375 - 2.25 ulp and 1.125 - 1.6875 ulp.
TEST(SmallRules, ATieOfARationalNodeGoesToEven) {
  struct Case {
    RuleFamily family;
    double a;
    double b;
    double inner;
  };
  const double up = 0x1.0000000000002p-1;
  for (const Case& c :
       {Case{RuleFamily::radau, -0.5 + 3 * 0x1p-54, 1.0, 0.5},
        Case{RuleFamily::radau, -0.5 + 9 * 0x1p-54, 1.0, up},
        Case{RuleFamily::radau_right, -1.0, 0.5 - 9 * 0x1p-54, -up}}) {
    FamilyRequest r = request_for(c.family, 2);
    r.on_interval = true;
    r.a = c.a;
    r.b = c.b;
    const Rule rule = compute(r);
    ASSERT_EQ(rule.count, 2);
    const bool left = c.family == RuleFamily::radau;
    EXPECT_EQ(hex(rule.nodes[left ? 1 : 0]), hex(c.inner)) << hex(c.a);
    EXPECT_EQ(hex(rule.nodes[left ? 0 : 1]), hex(left ? c.a : c.b));
  }
  FamilyRequest r = request_for(RuleFamily::radau, 2);
  r.on_interval = true;
  r.a = -0.5 + 9 * 0x1p-54;
  r.b = 1.0;
  const Rule rule = compute(r);
  EXPECT_EQ(hex(rule.weights[0]), hex(0x1.7fffffffffffep-2));
  EXPECT_EQ(hex(rule.weights[1]), hex(0x1.1fffffffffffep+0));
}

// sum_i w_i p(x_i) = integral of p w for each monomial p up to the rule's
// degree, in long double: the moments in closed form (Gamma functions),
// the error against the sum of |w_i p(x_i)|. On [a, b] the moments of the
// interval. A wrong matrix entry, mu0, weight factor or fixed weight
// breaks one of these at a low degree.
TEST(Monomials, EveryRuleIntegratesThemUpToItsDegree) {
  struct Case {
    RuleFamily family;
    double alpha;
    double beta;
    bool on_interval;
  };
  const std::vector<Case> cases = {
      {RuleFamily::lobatto, 0, 0, false},
      {RuleFamily::lobatto, 0, 0, true},
      {RuleFamily::radau, 0, 0, false},
      {RuleFamily::radau, 0, 0, true},
      {RuleFamily::radau_right, 0, 0, false},
      {RuleFamily::chebyshev1, 0, 0, false},
      {RuleFamily::chebyshev2, 0, 0, true},
      {RuleFamily::hermite, 0, 0, false},
      {RuleFamily::hermite_prob, 0, 0, false},
      {RuleFamily::laguerre, 0, 0, false},
      {RuleFamily::laguerre, -0.75, 0, false},
      {RuleFamily::laguerre, 2.5, 0, false},
      {RuleFamily::jacobi, 0.3, -0.7, false},
      {RuleFamily::jacobi, 2.0, 2.0, false},
      {RuleFamily::jacobi, -0.5, 4.25, true},
  };
  const long double a = -0.75L;
  const long double b = 2.0L;
  for (const Case& c : cases) {
    for (const int n : {1, 2, 3, 4, 7, 10, 19}) {
      FamilyRequest r = request_for(c.family, n, c.alpha, c.beta);
      if (c.family == RuleFamily::chebyshev1 ||
          c.family == RuleFamily::chebyshev2) {
        r.alpha = r.beta = 0.0;
      }
      if (c.family == RuleFamily::lobatto && n < 2) {
        continue;
      }
      r.on_interval = c.on_interval;
      r.a = static_cast<double>(a);
      r.b = static_cast<double>(b);
      const Rule rule = compute(r);
      ASSERT_EQ(rule.count, n);
      // The Jacobi exponents of the weight on [-1, 1].
      auto ja = static_cast<long double>(c.alpha);
      auto jb = static_cast<long double>(c.beta);
      if (c.family == RuleFamily::chebyshev1) {
        ja = jb = -0.5L;
      }
      if (c.family == RuleFamily::chebyshev2) {
        ja = jb = 0.5L;
      }
      if (c.family == RuleFamily::lobatto || c.family == RuleFamily::radau ||
          c.family == RuleFamily::radau_right) {
        ja = jb = 0.0L;
      }
      const int fixed =
          c.family == RuleFamily::lobatto ? 2
          : c.family == RuleFamily::radau || c.family == RuleFamily::radau_right
              ? 1
              : 0;
      const int degree = 2 * n - 1 - fixed;
      for (int j = 0; j <= degree; ++j) {
        long double sum = 0.0L;
        long double magnitude = 0.0L;
        long double moment = 0.0L;
        for (int i = 0; i < n; ++i) {
          const auto k = static_cast<std::size_t>(i);
          auto t = static_cast<long double>(rule.nodes[k]);
          // Finite families: the monomial in u = (1 + x), x the node on
          // [-1, 1] (mapped back on an interval), so that the moments are
          // Beta functions.
          switch (c.family) {
            case RuleFamily::hermite:
            case RuleFamily::hermite_prob:
            case RuleFamily::laguerre:
              break;
            default:
              if (c.on_interval) {
                t = (2.0L * t - (a + b)) / (b - a);
              }
              t = 1.0L + t;
          }
          const long double term =
              static_cast<long double>(rule.weights[k]) * std::pow(t, j);
          sum += term;
          magnitude += std::fabs(term);
        }
        switch (c.family) {
          case RuleFamily::hermite:
            moment = j % 2 != 0 ? 0.0L : std::tgamma((j + 1) / 2.0L);
            break;
          case RuleFamily::hermite_prob:
            moment = j % 2 != 0 ? 0.0L
                                : std::pow(2.0L, (j + 1) / 2.0L) *
                                      std::tgamma((j + 1) / 2.0L);
            break;
          case RuleFamily::laguerre:
            moment = std::tgamma(j + static_cast<long double>(c.alpha) + 1.0L);
            break;
          default:
            // integral over [-1, 1] of (1-x)^ja (1+x)^(jb+j) = 2^(ja+jb+j+1)
            // B(ja+1, jb+j+1); times (b-a)/2 on [a, b].
            moment = std::pow(2.0L, ja + jb + j + 1) *
                     std::exp(std::lgamma(ja + 1) + std::lgamma(jb + j + 1) -
                              std::lgamma(ja + jb + j + 2));
            if (c.on_interval) {
              moment *= (b - a) / 2.0L;
            }
        }
        EXPECT_LE(std::fabs(sum - moment), 1e-13L * magnitude)
            << rule_family_names[static_cast<std::size_t>(c.family)].name
            << " n " << n << " alpha " << c.alpha << " beta " << c.beta
            << (c.on_interval ? " on [a, b]" : "") << " degree " << j;
      }
    }
  }
}

// --scaled: each weight times e^(x^2), e^(x^2/2) or e^x at its node, the
// nodes unchanged.
TEST(Scaled, WeightsTimesTheInverseWeightFunction) {
  for (const RuleFamily family :
       {RuleFamily::hermite, RuleFamily::hermite_prob, RuleFamily::laguerre}) {
    FamilyRequest r = request_for(family, 40);
    const Rule plain = compute(r);
    r.scaled = true;
    const Rule scaled = compute(r);
    ASSERT_EQ(scaled.count, 40);
    for (std::size_t k = 0; k < 40; ++k) {
      const auto x = static_cast<long double>(plain.nodes[k]);
      const long double inverse =
          family == RuleFamily::hermite        ? std::exp(x * x)
          : family == RuleFamily::hermite_prob ? std::exp(x * x / 2)
                                               : std::exp(x);
      EXPECT_EQ(hex(scaled.nodes[k]), hex(plain.nodes[k]));
      EXPECT_NEAR(static_cast<double>(
                      static_cast<long double>(plain.weights[k]) * inverse /
                      static_cast<long double>(scaled.weights[k])),
                  1.0, 1e-13)
          << rule_family_names[static_cast<std::size_t>(family)].name
          << " node " << k;
    }
  }
}

// The precision ladder: started at 64 bits, where many enclosures are too
// wide to round, the values are the same; and at 64 bits without the
// rounding test some value differs, so the test above would catch the
// rounding test's removal.
TEST(PrecisionLadder, StartingLowGivesTheSameBits) {
  std::vector<FamilyRequest> requests = {
      request_for(RuleFamily::laguerre, 60, 0.5),
      request_for(RuleFamily::jacobi, 45, 0.3, -0.7),
      request_for(RuleFamily::hermite, 61),
      request_for(RuleFamily::radau, 33),
  };
  FamilyRequest lobatto = request_for(RuleFamily::lobatto, 40);
  lobatto.on_interval = true;
  lobatto.a = -3.0;
  lobatto.b = 0x1p-30;
  requests.push_back(lobatto);
  int differ = 0;
  // Lobatto's, Radau's and Hermite's rules from the engine, not from their
  // recurrences.
  detail::set_lobatto_radau_recurrence_refused(true);
  detail::set_hermite_recurrence_refused(true);
  for (const FamilyRequest& r : requests) {
    const Rule reference = compute(r);
    detail::set_tridiagonal_start_bits(64);
    detail::reset_tridiagonal_counts();
    const Rule low = compute(r);
    EXPECT_GT(detail::retry_count(), 0);
    detail::set_tridiagonal_skip_rounding_test(true);
    const Rule unchecked = compute(r);
    detail::set_tridiagonal_skip_rounding_test(false);
    detail::set_tridiagonal_start_bits(0);
    ASSERT_EQ(low.count, r.n);
    ASSERT_EQ(unchecked.count, r.n);
    for (std::size_t k = 0; k < static_cast<std::size_t>(r.n); ++k) {
      EXPECT_EQ(hex(low.nodes[k]), hex(reference.nodes[k])) << k;
      EXPECT_EQ(hex(low.weights[k]), hex(reference.weights[k])) << k;
      differ += unchecked.nodes[k] != reference.nodes[k] ? 1 : 0;
      differ += unchecked.weights[k] != reference.weights[k] ? 1 : 0;
    }
  }
  detail::set_lobatto_radau_recurrence_refused(false);
  detail::set_hermite_recurrence_refused(false);
  EXPECT_GT(differ, 0);
}

// Lobatto's and Radau's inner values from Legendre's recurrence decide
// every rounding on [-1, 1] and on intervals where nothing cancels, and
// give the engine's bits everywhere, on an interval where they leave a
// value to it too: one that maps a node of order 17 to about 0.
TEST(LobattoRadauRecurrence, GivesTheEnginesBits) {
  for (const RuleFamily family :
       {RuleFamily::lobatto, RuleFamily::radau, RuleFamily::radau_right}) {
    const double x = compute(request_for(family, 17)).nodes[15];
    const std::pair<double, double> intervals[] = {{-1.0, 1.0},
                                                   {-3.0, 0x1p-30},
                                                   {0x1p-1074, 0x1p-1060},
                                                   {-0x1p1023, 0x1p1023},
                                                   {-1.0 - x, 1.0 - x}};
    int declined = 0;
    for (const int n : {2, 3, 4, 5, 6, 17, 64, 101, 256, 998, 999}) {
      for (const auto& [a, b] : intervals) {
        FamilyRequest r = request_for(family, n);
        r.on_interval = a != -1.0;
        r.a = a;
        r.b = b;
        std::vector<double> nodes(static_cast<std::size_t>(n));
        std::vector<double> weights(nodes.size());
        const auto& kernel = detail::best_root_batch_kernel();
        const bool decided =
            family == RuleFamily::lobatto
                ? detail::lobatto_inner_rule(kernel, n, r.on_interval, a, b,
                                             nodes.data(), weights.data())
                : detail::radau_inner_rule(
                      kernel, n, family == RuleFamily::radau_right,
                      r.on_interval, a, b, nodes.data(), weights.data());
        if ((!r.on_interval || a == -3.0) &&
            (n > 2 || family != RuleFamily::lobatto)) {
          EXPECT_TRUE(decided)
              << n << " on [" << hex(a) << ", " << hex(b) << "]";
        }
        declined += decided || b != 1.0 - x ? 0 : 1;
        const Rule fast = compute(r);
        detail::set_lobatto_radau_recurrence_refused(true);
        const Rule engine = compute(r);
        detail::set_lobatto_radau_recurrence_refused(false);
        ASSERT_EQ(fast.count, n);
        ASSERT_EQ(engine.count, n);
        for (std::size_t k = 0; k < nodes.size(); ++k) {
          EXPECT_EQ(hex(fast.nodes[k]), hex(engine.nodes[k])) << n << " " << k;
          EXPECT_EQ(hex(fast.weights[k]), hex(engine.weights[k]))
              << n << " " << k;
        }
      }
    }
    EXPECT_GT(declined, 0) << family_entry(family).name;
  }
}

// Hermite's rules and Laguerre's at alpha = 0 from their recurrences
// decide every value, scaled or not, and give the engine's bits.
TEST(HermiteLaguerreRecurrence, GivesTheEnginesBits) {
  for (const RuleFamily family :
       {RuleFamily::hermite, RuleFamily::hermite_prob, RuleFamily::laguerre}) {
    for (const bool scaled : {false, true}) {
      for (const int n : {1, 2, 3, 4, 7, 64, 101, 256, 500, 999}) {
        FamilyRequest r = request_for(family, n);
        r.scaled = scaled;
        std::vector<double> nodes(static_cast<std::size_t>(n));
        std::vector<double> weights(nodes.size());
        const auto& kernel = detail::best_root_batch_kernel();
        EXPECT_TRUE(family == RuleFamily::laguerre
                        ? detail::laguerre_rule(kernel, scaled, n, nodes.data(),
                                                weights.data())
                        : detail::hermite_rule(
                              kernel, family == RuleFamily::hermite_prob,
                              scaled, n, nodes.data(), weights.data()))
            << n;
        detail::set_hermite_recurrence_refused(true);
        detail::set_laguerre_recurrence_refused(true);
        const Rule engine = compute(r);
        detail::set_hermite_recurrence_refused(false);
        detail::set_laguerre_recurrence_refused(false);
        ASSERT_EQ(engine.count, n);
        for (std::size_t k = 0; k < nodes.size(); ++k) {
          EXPECT_EQ(hex(nodes[k]), hex(engine.nodes[k])) << n << " " << k;
          EXPECT_EQ(hex(weights[k]), hex(engine.weights[k]))
              << n << " " << k << (scaled ? " scaled" : "");
        }
      }
    }
  }
}

// On every lanes variant the processor runs, each lane's certified count
// and weight sum is what its point gets alone, undecided ones included:
// points at and beside the nodes of the order-60 Legendre matrix, and
// points where the passes give up (0, where every other pivot vanishes, and
// points out of range), grouped many ways, at three twist rows.
TEST(IntervalLanes, EachLaneIsThePointAlone) {
  constexpr int m = 60;
  std::vector<detail::Ball> a(m, detail::ball_from_int(0));
  std::vector<detail::Ball> b2;
  for (std::int64_t k = 1; k < m; ++k) {
    b2.push_back(detail::ball_div(detail::ball_from_int(k * k),
                                  detail::ball_from_int(4 * k * k - 1), 128));
  }
  const detail::FastCountMatrix t = detail::fast_count_matrix(a, b2);
  std::vector<double> nodes(m);
  std::vector<double> weights(m);
  ASSERT_EQ(correctly_rounded_rule(m, nodes.data(), weights.data()), m);
  std::vector<detail::Dyadic> points;
  for (const double x : {0.0, 0x1p500, -0x1p-500}) {
    points.push_back(detail::dyadic_from_double(x));
  }
  for (const double x : nodes) {
    for (const double offset : {0.0, 0x1p-90, -0x1p-70, 0x1p-20}) {
      points.push_back(detail::dyadic_from_double(x + offset));
    }
  }
  const auto same = [](const detail::Ball& x, const detail::Ball& y) {
    return x.whole == y.whole &&
           (x.whole || (x.mid.mantissa.limbs == y.mid.mantissa.limbs &&
                        x.mid.mantissa.negative == y.mid.mantissa.negative &&
                        x.mid.exponent == y.mid.exponent &&
                        x.rad.mantissa == y.rad.mantissa &&
                        x.rad.exponent == y.rad.exponent));
  };
  const detail::Dyadic half_width = detail::dyadic_from_double(0x1p-80);
  detail::Dyadic widths[detail::max_interval_lanes];
  std::fill(std::begin(widths), std::end(widths), half_width);
  int variants = 0;
  for (const detail::KernelVariant variant : detail::lane_kernel_variants) {
    const detail::IntervalLanes* lanes = detail::interval_lanes(variant);
    if (lanes == nullptr) {
      continue;
    }
    ++variants;
    int undecided = 0;
    int whole = 0;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; i += 3) {
      // Lane l takes point i + 7 l (mod n): every lane meets every kind.
      detail::Dyadic group[detail::max_interval_lanes];
      for (int l = 0; l < lanes->lanes; ++l) {
        group[l] = points[(i + 7 * static_cast<std::size_t>(l)) % n];
      }
      int counts[detail::max_interval_lanes];
      detail::fast_counts(*lanes, t, group, lanes->lanes, counts);
      for (int l = 0; l < lanes->lanes; ++l) {
        const int alone = detail::fast_count(t, group[l]);
        ASSERT_EQ(counts[l], alone) << lanes->name << " " << i << " " << l;
        undecided += alone < 0 ? 1 : 0;
      }
      for (const std::size_t r :
           {std::size_t{0}, std::size_t{17}, std::size_t{m - 1}}) {
        detail::Ball sums[detail::max_interval_lanes];
        detail::fast_inverse_first_squares(*lanes, t, group, widths,
                                           lanes->lanes, r, sums);
        for (int l = 0; l < lanes->lanes; ++l) {
          const detail::Ball alone =
              detail::fast_inverse_first_square(t, group[l], half_width, r);
          ASSERT_TRUE(same(sums[l], alone))
              << lanes->name << " " << i << " " << l << " " << r;
          whole += alone.whole ? 1 : 0;
        }
      }
    }
    EXPECT_GT(undecided, 0) << lanes->name;
    EXPECT_GT(whole, 0) << lanes->name;
  }
  EXPECT_GT(variants, 0);
}

// Outside the domain: 0, and the arrays untouched.
TEST(Domain, RequestsOutsideItGiveZero) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<FamilyRequest> bad = {
      request_for(RuleFamily::hermite, 0),
      request_for(RuleFamily::hermite, 1000),
      request_for(RuleFamily::lobatto, 1),
      request_for(RuleFamily::laguerre, 5, -1.0),
      request_for(RuleFamily::laguerre, 5, nan),
      request_for(RuleFamily::laguerre, 5, inf),
      request_for(RuleFamily::jacobi, 5, 0.0, -1.5),
      request_for(RuleFamily::hermite, 5, 0.5),        // hermite takes no alpha
      request_for(RuleFamily::laguerre, 5, 0.0, 1.0),  // nor laguerre beta
  };
  FamilyRequest r = request_for(RuleFamily::jacobi, 5);
  r.scaled = true;  // not scalable
  bad.push_back(r);
  r = request_for(RuleFamily::laguerre, 5);
  r.on_interval = true;  // not finite
  bad.push_back(r);
  for (const double b : {-1.0, 0.0, inf, nan}) {
    r = request_for(RuleFamily::radau, 5);
    r.on_interval = true;
    r.a = 0.0;
    r.b = b;
    bad.push_back(r);
  }
  for (const FamilyRequest& q : bad) {
    std::vector<double> nodes(1001, 7.0);
    std::vector<double> weights(1001, 7.0);
    EXPECT_EQ(family_rule(q, nodes.data(), weights.data(), nullptr), 0)
        << rule_family_names[static_cast<std::size_t>(q.family)].name << " n "
        << q.n << " alpha " << q.alpha << " beta " << q.beta;
    EXPECT_EQ(nodes[0], 7.0);
    EXPECT_EQ(weights[0], 7.0);
  }
}

}  // namespace
}  // namespace zemta
