// The numerics against independent truths: closed forms for small orders,
// and for every order a root polished in extended precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/lane_kernel.h"
#include "quadrature/legendre.h"
#include "quadrature/newton.h"
#include "quadrature/root_search.h"
#include "support/memory_stream.h"

namespace zemta::detail {
namespace {

using detail::insert_root;
using detail::search_roots;
using testing::hex;
using testing::MemoryStream;

// The references below work in long double; every widening is spelled out.
long double wide(double x) { return static_cast<long double>(x); }

// Within tol of a closed form evaluated in long double, so the reference
// adds no double rounding of its own.
::testing::AssertionResult near(double x, long double exact, long double tol) {
  if (std::fabs(wide(x) - exact) <= tol) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << hex(x) << " is " << static_cast<double>(std::fabs(wide(x) - exact))
         << " from the exact value";
}

// ---------------------------------------------------------------------------
// legendre_eval

TEST(LegendreEval, DegreesZeroAndOneAreExact) {
  for (const double x : {-1.0, -0.3, 0.0, 0.7, 1.0, 12.5}) {
    double p = -7.0;
    double dp = -7.0;
    legendre_eval(0, x, p, dp);
    EXPECT_EQ(p, 1.0);
    EXPECT_EQ(dp, 0.0);
    legendre_eval(-3, x, p, dp);
    EXPECT_EQ(p, 1.0);
    EXPECT_EQ(dp, 0.0);
    legendre_eval(1, x, p, dp);
    EXPECT_EQ(p, x);
    EXPECT_EQ(dp, 1.0);
  }
}

TEST(LegendreEval, DegreeTwoMatchesClosedForm) {
  for (const double x : {-0.9, -0.25, 0.0, 0.3, 0.57735, 1.0}) {
    double p = 0.0;
    double dp = 0.0;
    legendre_eval(2, x, p, dp);
    EXPECT_NEAR(p, (3.0 * x * x - 1.0) / 2.0, 1e-15) << hex(x);
    EXPECT_NEAR(dp, 3.0 * x, 1e-15) << hex(x);
  }
}

TEST(LegendreEval, AtOneEveryOrderGivesOneAndExactSlope) {
  for (int n = 2; n <= max_order; ++n) {
    double p = 0.0;
    double dp = 0.0;
    legendre_eval(n, 1.0, p, dp);
    ASSERT_EQ(p, 1.0) << "order " << n;
    ASSERT_EQ(dp, n * (n + 1) / 2.0) << "order " << n;
  }
}

// Independent evaluation in long double with the textbook recurrence
// i P_i = (2i-1) x P_{i-1} - (i-1) P_{i-2} and
// P_n' = n (x P_n - P_{n-1}) / (x^2 - 1).
struct Extended {
  long double p;
  long double dp;
};
Extended legendre_extended(int n, long double x) {
  long double p0 = 1.0L;
  long double p1 = x;
  for (int i = 2; i <= n; ++i) {
    const long double p2 = ((2 * i - 1) * x * p1 - (i - 1) * p0) / i;
    p0 = p1;
    p1 = p2;
  }
  return {p1, n * (x * p1 - p0) / (x * x - 1.0L)};
}

TEST(LegendreEval, AgreesWithExtendedPrecisionInsideTheInterval) {
  for (const int n : {3, 10, 57, 400, 999}) {
    for (int k = 0; k < 50; ++k) {
      const double x = -0.99 + 1.98 * k / 49.0;
      double p = 0.0;
      double dp = 0.0;
      legendre_eval(n, x, p, dp);
      const Extended ref = legendre_extended(n, wide(x));
      // |P_n| <= 1 and |P_n'| <= n(n+1)/2 on [-1, 1]; the recurrence loses
      // a few digits over n steps.
      EXPECT_NEAR(p, static_cast<double>(ref.p), 1e-13) << n << " " << hex(x);
      EXPECT_NEAR(dp, static_cast<double>(ref.dp), 1e-13 * n * n)
          << n << " " << hex(x);
    }
  }
}

// ---------------------------------------------------------------------------
// newton_root's contract, kept by newton_root and by every lane kernel

struct RootFinder {
  std::string name;
  std::function<double(int n, double lo, double hi)> refine;
};

// newton_root, and each kernel variant this processor runs. A kernel
// refines the bracket twice in a one-lane queue, so the second run starts
// on a lane the first has used; both must agree bit for bit.
std::vector<RootFinder> root_finders() {
  std::vector<RootFinder> finders = {{"newton_root", newton_root}};
  for (const KernelVariant v : lane_kernel_variants) {
    if (const LaneKernel* kernel = lane_kernel(v)) {
      finders.push_back({kernel->name, [kernel](int n, double lo, double hi) {
                           const double los[2] = {lo, lo};
                           const double his[2] = {hi, hi};
                           double roots[2] = {};
                           kernel->newton_tasks(n, 2, los, his, roots, 1);
                           return std::bit_cast<std::uint64_t>(roots[0]) ==
                                          std::bit_cast<std::uint64_t>(roots[1])
                                      ? roots[1]
                                      : -7.0;
                         }});
    }
  }
  return finders;
}

TEST(NewtonRoot, OrderTwoBracketConvergesToOneOverSqrtThree) {
  const double hi =
      detail::first_root_scale / std::pow(2.0, detail::first_root_exponent);
  for (const RootFinder& f : root_finders()) {
    EXPECT_TRUE(near(f.refine(2, 0.0, hi), 1.0L / std::sqrt(3.0L), 1e-16L))
        << f.name;
  }
}

TEST(NewtonRoot, OvershootPinsToTheBracketEndAndReturnsIt) {
  for (const RootFinder& f : root_finders()) {
    // P_3 has roots 0 and +-0.7746. From the middle of [0.1, 0.3], Newton
    // heads for 0, is pinned at 0.1 twice, and returns that end though it
    // is no root.
    EXPECT_EQ(f.refine(3, 0.1, 0.3), 0.1) << f.name;
    // The same at an upper end: from [0.8, 0.9] the steps point down to
    // 0.7746, below the bracket.
    EXPECT_EQ(f.refine(3, 0.8, 0.9), 0.8) << f.name;
  }
}

TEST(NewtonRoot, SmallDerivativeFailsBeforeTheStep) {
  // P_3'(x) = (15 x^2 - 3) / 2 is -1.5 at 0 and vanishes near 0.447;
  // starting exactly where |P'| < 0.5 gives up at once.
  const double flat = std::sqrt(0.2);
  for (const RootFinder& f : root_finders()) {
    EXPECT_EQ(f.refine(3, flat - 0.01, flat + 0.01), failure_value) << f.name;
    // P_4' vanishes at 0, the midpoint of [-0.1, 0.1].
    EXPECT_EQ(f.refine(4, -0.1, 0.1), failure_value) << f.name;
  }
}

TEST(NewtonRoot, DerivativeTestFiresJustBelowHalfAndNotAtHalf) {
  // P_2'(x) is computed as 3x: find the double x near 1/6 where it is
  // exactly 0.5, so the double below it gives a derivative just under 0.5.
  double at_half = 1.0 / 6.0;
  double p = 0.0;
  double dp = 0.0;
  for (int tries = 0; tries < 8; ++tries) {
    legendre_eval(2, at_half, p, dp);
    if (dp >= min_derivative) {
      break;
    }
    at_half = std::nextafter(at_half, 1.0);
  }
  ASSERT_EQ(dp, min_derivative) << hex(at_half);
  const double below = std::nextafter(at_half, 0.0);
  legendre_eval(2, below, p, dp);
  ASSERT_LT(dp, min_derivative);

  // Brackets centred exactly on each start (the half-width is a multiple of
  // the starts' last place, so the midpoint is exact). At 0.5 the step is
  // taken, pinned to hi twice, and hi returned; below it the refinement
  // gives up before any step.
  const double half_width = 0x1p-30;
  for (const RootFinder& f : root_finders()) {
    EXPECT_EQ(f.refine(2, at_half - half_width, at_half + half_width),
              at_half + half_width)
        << f.name;
    EXPECT_EQ(f.refine(2, below - half_width, below + half_width),
              failure_value)
        << f.name;
  }
}

// Rounds newton_root takes from [lo, hi] with no round limit, each round
// checked as newton_root checks it; 0 when a step would fail.
int rounds_without_limit(int n, double lo, double hi, double& result) {
  double x = (lo + hi) / 2.0;
  for (int round = 1; round < 1000; ++round) {
    double p = 0.0;
    double dp = 0.0;
    legendre_eval(n, x, p, dp);
    if (std::fabs(dp) < min_derivative) {
      return 0;
    }
    const double t = std::max(std::min(x - p / dp, hi), lo);
    if (std::fabs(p) <= root_tolerance || std::fabs(t - x) <= root_tolerance) {
      result = t;
      return round;
    }
    x = t;
  }
  return 0;
}

TEST(NewtonRoot, GivesUpAfterExactlyTwentyRounds) {
  // From far above the root 1/sqrt(3) of P_2, each Newton step roughly
  // halves x, so a wider bracket costs more rounds: find brackets that
  // converge in round 20 and in round 21.
  double converging_in_20 = 0.0;
  double converging_in_21 = 0.0;
  double expected = 0.0;
  for (double hi = 2.0; hi < 1e9; hi *= 1.0625) {
    double result = 0.0;
    const int rounds = rounds_without_limit(2, 0.5, hi, result);
    if (rounds == max_newton_rounds && converging_in_20 == 0.0) {
      converging_in_20 = hi;
      expected = result;
    }
    if (rounds == max_newton_rounds + 1 && converging_in_21 == 0.0) {
      converging_in_21 = hi;
    }
  }
  ASSERT_EQ(max_newton_rounds, 20);
  ASSERT_NE(converging_in_20, 0.0);
  ASSERT_NE(converging_in_21, 0.0);
  EXPECT_TRUE(near(expected, 1.0L / std::sqrt(3.0L), 1e-16L));
  for (const RootFinder& f : root_finders()) {
    EXPECT_EQ(f.refine(2, 0.5, converging_in_20), expected) << f.name;
    EXPECT_EQ(f.refine(2, 0.5, converging_in_21), failure_value) << f.name;
  }
}

TEST(NewtonRoot, ResidualAtStartStillReturnsTheSteppedPoint) {
  // The midpoint of [-0.25, 0.25] is the root 0 of P_3: the residual test
  // holds at once and the returned value is the stepped point, 0 itself.
  for (const RootFinder& f : root_finders()) {
    EXPECT_EQ(f.refine(3, -0.25, 0.25), 0.0) << f.name;
  }
  // A start a hair off the root of P_2: |P| <= tolerance at the start, yet
  // the result is the Newton step from it, not the start.
  const double off_root = 1.0 / std::sqrt(3.0) + 4e-15;
  const double lo = off_root - 1e-3;
  const double hi = off_root + 1e-3;
  const double start = (lo + hi) / 2.0;
  double p = 0.0;
  double dp = 0.0;
  legendre_eval(2, start, p, dp);
  ASSERT_LE(std::fabs(p), root_tolerance);
  ASSERT_NE(p, 0.0);
  for (const RootFinder& f : root_finders()) {
    const double result = f.refine(2, lo, hi);
    EXPECT_EQ(result, start - p / dp) << f.name << " " << hex(result);
  }
  EXPECT_NE(start - p / dp, start);
}

TEST(NewtonRoot, ResultLiesInTheBracketOrIsTheFailureValue) {
  for (const RootFinder& f : root_finders()) {
    for (int n = 2; n <= 60; ++n) {
      for (int k = 0; k < 40; ++k) {
        const double lo = -1.0 + k / 20.0;
        const double hi = lo + 0.05;
        const double r = f.refine(n, lo, hi);
        if (r != failure_value) {
          ASSERT_GE(r, lo) << f.name << " order " << n;
          ASSERT_LE(r, hi) << f.name << " order " << n;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// insert_root

TEST(InsertRoot, PlacesBetweenNeighboursAndRejectsDuplicates) {
  struct Case {
    std::vector<double> table;
    double x;
    int position;
    std::vector<double> after;
  };
  const std::vector<Case> cases = {
      {{0.0, 0.5}, 0.25, 1, {0.0, 0.25, 0.5}},
      {{0.0, 0.5, 0.9}, 0.7, 2, {0.0, 0.5, 0.7, 0.9}},
      {{0.0, 0.5, 0.9}, 0.2, 1, {0.0, 0.2, 0.5, 0.9}},
      // Above the last entry and below the first: appended at the end.
      {{0.1, 0.5}, 0.95, 2, {0.1, 0.5, 0.95}},
      {{0.1, 0.5}, 0.05, 2, {0.1, 0.5, 0.05}},
      // Closer than the tolerance to an entry: rejected.
      {{0.0, 0.5}, 0.5 - root_tolerance / 2, 0, {0.0, 0.5}},
      {{0.0, 0.5}, 1e-15, 0, {0.0, 0.5}},
      // Exactly the tolerance away is allowed.
      {{0.0, 0.5}, root_tolerance, 1, {0.0, root_tolerance, 0.5}},
  };
  for (const auto& c : cases) {
    std::vector<double> table = c.table;
    table.push_back(-1.0);  // room for one more
    const int position =
        insert_root(table.data(), static_cast<int>(c.table.size()), c.x);
    EXPECT_EQ(position, c.position) << hex(c.x);
    table.resize(c.after.size());
    EXPECT_EQ(table, c.after) << hex(c.x);
  }
}

// ---------------------------------------------------------------------------
// compute_coefficients: closed forms

TEST(ComputeCoefficients, OrderTwoIsOneOverSqrtThreeWithWeightOne) {
  double x[1] = {};
  double w[1] = {};
  MemoryStream diag;
  EXPECT_EQ(compute_coefficients(2, x, w, diag.file()), 1);
  EXPECT_TRUE(near(x[0], 1.0L / std::sqrt(3.0L), 1e-16L));
  EXPECT_TRUE(near(w[0], 1.0L, 4e-16L));
  EXPECT_EQ(diag.text(), "computing coefficients\n");
}

TEST(ComputeCoefficients, OrderThreeIsZeroAndSqrtThreeFifths) {
  double x[2] = {};
  double w[2] = {};
  MemoryStream diag;
  EXPECT_EQ(compute_coefficients(3, x, w, diag.file()), 2);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_TRUE(near(x[1], std::sqrt(0.6L), 1e-16L));
  EXPECT_TRUE(near(w[0], 8.0L / 9.0L, 4e-16L));
  EXPECT_TRUE(near(w[1], 5.0L / 9.0L, 4e-16L));
  EXPECT_EQ(diag.text(), "computing coefficients\n");
}

TEST(ComputeCoefficients, OrderFourMatchesClosedForm) {
  // Roots sqrt(3/7 -+ 2/7 sqrt(6/5)), weights (18 +- sqrt 30) / 36.
  double x[2] = {};
  double w[2] = {};
  MemoryStream diag;
  EXPECT_EQ(compute_coefficients(4, x, w, diag.file()), 2);
  const long double s = 2.0L / 7.0L * std::sqrt(6.0L / 5.0L);
  EXPECT_TRUE(near(x[0], std::sqrt(3.0L / 7.0L - s), 1e-16L));
  EXPECT_TRUE(near(x[1], std::sqrt(3.0L / 7.0L + s), 1e-16L));
  EXPECT_TRUE(near(w[0], (18.0L + std::sqrt(30.0L)) / 36.0L, 4e-16L));
  EXPECT_TRUE(near(w[1], (18.0L - std::sqrt(30.0L)) / 36.0L, 4e-16L));
  EXPECT_EQ(diag.text(), "computing coefficients\n");
}

TEST(ComputeCoefficients, OrderFiveReportsProgressTwoThenThree) {
  double x[3] = {};
  double w[3] = {};
  MemoryStream diag;
  EXPECT_EQ(compute_coefficients(5, x, w, diag.file()), 3);
  EXPECT_EQ(diag.text(),
            "computing coefficients\n"
            "\r2 roots found out of 3"
            "\r3 roots found out of 3\n");
  EXPECT_EQ(x[0], 0.0);
  // sqrt(5 -+ 2 sqrt(10/7)) / 3
  const long double s = 2.0L * std::sqrt(10.0L / 7.0L);
  EXPECT_TRUE(near(x[1], std::sqrt(5.0L - s) / 3.0L, 1e-16L));
  EXPECT_TRUE(near(x[2], std::sqrt(5.0L + s) / 3.0L, 1e-16L));
  EXPECT_TRUE(near(w[0], 128.0L / 225.0L, 4e-16L));
}

TEST(ComputeCoefficients, OrderOutOfRangeReturnsZeroAndTouchesNothing) {
  // Above max_order the starting brackets are unchecked, so no order
  // outside the range is computed; the one-entry tables catch a write.
  using Compute = int (*)(int, double*, double*, std::FILE*);
  for (const Compute compute : {Compute{compute_coefficients},
                                Compute{compute_coefficients_one_at_a_time}}) {
    for (const int n : {1, -5, max_order + 1, 1500, INT_MAX}) {
      double x[1] = {-1.0};
      double w[1] = {-1.0};
      MemoryStream diag;
      EXPECT_EQ(compute(n, x, w, diag.file()), 0) << "order " << n;
      EXPECT_EQ(x[0], -1.0) << "order " << n;
      EXPECT_EQ(w[0], -1.0) << "order " << n;
      EXPECT_EQ(diag.text(), "computing coefficients\n");
    }
  }
}

// ---------------------------------------------------------------------------
// Root search guard and call pattern

// newton_root, or a failure for every piece, counting the refinements.
class TestRefiner final : public detail::Refiner {
 public:
  explicit TestRefiner(bool fail) : fail_(fail) {}
  double root(int n, double lo, double hi) override {
    ++calls;
    return fail_ ? failure_value : newton_root(n, lo, hi);
  }
  void derivatives(int /*n*/, int /*count*/, const double* /*x*/,
                   double* /*dp*/) override {}
  int calls = 0;

 private:
  bool fail_;
};

TEST(SearchRoots, PassWithoutNewRootStopsInsteadOfLooping) {
  double x[5] = {0.0, 0.9};
  MemoryStream diag;
  TestRefiner always_fails(true);
  EXPECT_EQ(search_roots(9, x, 2, diag.file(), always_fails), search_stalled);
  EXPECT_EQ(diag.text(), "");
}

TEST(SearchRoots, EveryGapVisitCostsTwoRefinements) {
  // At every 7th order from 5, the first piece of a visit returns the
  // gap's lower end (a duplicate) and the second the next root up: the
  // search makes 2 (half_count - 2) refinements and finds the same roots as
  // the program. (Nothing relies on the count; it shows how the search
  // goes.)
  for (int n = 5; n <= max_order; n += 7) {
    const int total = half_count(n);
    std::vector<double> x(static_cast<std::size_t>(total));
    std::vector<double> w(x.size());
    MemoryStream diag;
    ASSERT_EQ(compute_coefficients(n, x.data(), w.data(), diag.file()), total);

    std::vector<double> y(x.size());
    y[0] = x[0];
    y[1] = newton_root(n,
                       1.0 - detail::largest_root_scale /
                                 std::pow(n, detail::largest_root_exponent),
                       1.0);
    TestRefiner counting_newton(false);
    MemoryStream quiet;
    ASSERT_EQ(search_roots(n, y.data(), 2, quiet.file(), counting_newton),
              total);
    EXPECT_EQ(counting_newton.calls, 2 * (total - 2)) << "order " << n;
    EXPECT_EQ(y, x) << "order " << n;
  }
}

// ---------------------------------------------------------------------------
// Every order 2..999, each computed once and checked for every property.

std::string expected_progress(int n) {
  std::string expected = "computing coefficients\n";
  if (n >= 5) {
    const int total = half_count(n);
    for (int found = 2; found <= total; ++found) {
      expected += '\r';
      expected += std::to_string(found);
      expected += " roots found out of ";
      expected += std::to_string(total);
    }
    expected += "\n";
  }
  return expected;
}

TEST(EveryOrder, RootsWeightsAndProgressHoldAgainstExtendedPrecision) {
  // The largest errors over all orders, reported for docs/accuracy.md:
  // nodes absolute and in units in the last place of the node, weights
  // absolute and relative.
  long double worst_root = 0.0L;
  long double worst_root_ulps = 0.0L;
  double worst_ulps_root = 0.0;
  int worst_ulps_order = 0;
  long double worst_weight = 0.0L;
  double closest_roots = 1.0;
  long double worst_weight_relative = 0.0L;
  for (int n = min_order; n <= max_order; ++n) {
    const int total = half_count(n);
    std::vector<double> x(static_cast<std::size_t>(total) + 1, -9.0);
    std::vector<double> w(x.size(), -9.0);
    MemoryStream diag;
    ASSERT_EQ(compute_coefficients(n, x.data(), w.data(), diag.file()), total)
        << "order " << n;
    // Nothing is written past the half_count entries.
    ASSERT_EQ(x.back(), -9.0) << "order " << n;
    ASSERT_EQ(w.back(), -9.0) << "order " << n;
    x.pop_back();
    w.pop_back();

    // The progress counts run 2, 3, ..., half_count without gap or repeat.
    ASSERT_EQ(diag.text(), expected_progress(n)) << "order " << n;

    // Strictly ascending in [0, 1); odd orders hold the middle node 0.
    if (n % 2 == 1) {
      ASSERT_EQ(x[0], 0.0) << "order " << n;
      ASSERT_FALSE(std::signbit(x[0])) << "order " << n;
    } else {
      ASSERT_GT(x[0], 0.0) << "order " << n;
    }
    for (std::size_t i = 1; i < x.size(); ++i) {
      ASSERT_LT(x[i - 1], x[i]) << "order " << n << " entry " << i;
      closest_roots = std::min(closest_roots, x[i] - x[i - 1]);
    }
    ASSERT_LT(x.back(), 1.0) << "order " << n;
    // The starting bracket of an even order's smallest root holds it with
    // room to spare: 0.26 % of its upper end at order 10, more elsewhere.
    if (n % 2 == 0) {
      ASSERT_LT(x[0], detail::first_root_bracket_end(n) * (1.0 - 0.0025))
          << "order " << n;
    }

    long double sum = 0.0L;
    for (std::size_t i = 0; i < x.size(); ++i) {
      // Two Newton steps in extended precision from the double root; the
      // first already leaves an error near the square of the double's.
      long double root = wide(x[i]);
      for (int step = 0; step < 2; ++step) {
        const Extended e = legendre_extended(n, root);
        root -= e.p / e.dp;
      }
      const long double root_error = std::fabs(wide(x[i]) - root);
      ASSERT_LE(root_error, 1e-16L)
          << "order " << n << " entry " << i << " root " << hex(x[i]);

      // The weight against 2 / ((1 - x^2) P_n'(x)^2) at the true root.
      const long double dp = legendre_extended(n, root).dp;
      const long double weight = 2.0L / ((1.0L - root * root) * dp * dp);
      const long double weight_error = std::fabs(wide(w[i]) - weight);
      ASSERT_LE(weight_error, 1e-15L)
          << "order " << n << " entry " << i << " weight " << hex(w[i]);
      worst_root = std::max(worst_root, root_error);
      const long double ulps =
          root_error / wide(std::nextafter(x[i], 2.0) - x[i]);
      if (ulps > worst_root_ulps) {
        worst_root_ulps = ulps;
        worst_ulps_root = x[i];
        worst_ulps_order = n;
      }
      worst_weight = std::max(worst_weight, weight_error);
      worst_weight_relative =
          std::max(worst_weight_relative, weight_error / weight);
      // Summed in long double: its 64-bit significand keeps the sum of at
      // most 500 doubles far closer to exact than the tolerance below.
      sum += wide(w[i]);
    }
    const long double whole = n % 2 == 0 ? 2.0L * sum : 2.0L * sum - wide(w[0]);
    ASSERT_LE(std::fabs(whole - 2.0L), 3e-15L) << "order " << n;
  }
  // Neighbouring roots lie far more than root_tolerance apart (newton.h):
  // 1.2e-5 at the closest, order 999's two largest.
  EXPECT_GT(closest_roots, 1.2e-5);
  std::printf(
      "largest node error %.2Lg, in ulps %.2Lg (order %d, node %.3g); largest "
      "weight error %.2Lg, relative %.2Lg\n",
      worst_root, worst_root_ulps, worst_ulps_order, worst_ulps_root,
      worst_weight, worst_weight_relative);
}

}  // namespace
}  // namespace zemta::detail
