// The memo and the wide kernels against the one-at-a-time functions: every
// double bit for bit, every exit, every line of progress, on every kernel
// this processor runs and with deliberately wrong predictors.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/lane_kernel.h"
#include "quadrature/legendre.h"
#include "quadrature/newton.h"
#include "quadrature/predicted_search.h"
#include "quadrature/root_search.h"
#include "support/memory_stream.h"
#include "supported_kernels.h"

namespace zemta::detail {
namespace {

using detail::predict_roots_asymptotic;
using detail::RefinementMemo;
using detail::RootPredictor;
using testing::hex;
using testing::MemoryStream;

// Bit equality: tells 0.0 from -0.0 and compares NaNs by their bits.
::testing::AssertionResult same_bits(double actual, double expected) {
  if (std::bit_cast<std::uint64_t>(actual) ==
      std::bit_cast<std::uint64_t>(expected)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << hex(actual) << " where the scalar path gives " << hex(expected);
}

::testing::AssertionResult same_table(const std::vector<double>& actual,
                                      const std::vector<double>& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure()
           << actual.size() << " entries instead of " << expected.size();
  }
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (std::bit_cast<std::uint64_t>(actual[i]) !=
        std::bit_cast<std::uint64_t>(expected[i])) {
      return ::testing::AssertionFailure()
             << "entry " << i << ": " << hex(actual[i])
             << " where the scalar path gives " << hex(expected[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

constexpr double sentinel = -12345.0;

// Points across [-1, 1], the ends, zero of both signs, a subnormal, points
// outside the interval and roots of low orders.
std::vector<double> evaluation_points() {
  std::vector<double> points = {0.0,     -0.0,     1.0,    -1.0,
                                1e-310,  12.5,     -3.25,  1.0 / std::sqrt(3.0),
                                0.77459, 0.538469, 1e-300, 0.9999999999999999};
  for (int k = 0; k <= 96; ++k) {
    points.push_back(-1.0 + k / 48.0 + 1e-3 * k * k / 96.0);
  }
  return points;
}

const int orders_to_evaluate[] = {-2, 0, 1, 2, 3, 4, 5, 17, 64, 333, 998, 999};

// ---------------------------------------------------------------------------
// Brackets

struct ExitBracket {
  const char* exit;
  int n;
  double lo;
  double hi;
};

// One bracket for each way newton_root ends, at different rounds.
std::vector<ExitBracket> exit_brackets() {
  const double flat = std::sqrt(0.2);  // P_3' vanishes at sqrt(1/5)
  return {
      {"derivative failure at once", 3, flat - 0.01, flat + 0.01},
      {"derivative failure at once, P_4' = 0 at 0", 4, -0.1, 0.1},
      // P_7 on [0.4, 0.85]: the step from the middle is pinned at 0.85, the
      // step from there lands at 0.6296..., and the two alternate.
      {"twenty rounds without converging", 7, 0.4, 0.85},
      {"pinned at the lower end", 3, 0.1, 0.3},
      {"pinned at the lower end from above", 3, 0.8, 0.9},
      {"residual at the start", 3, -0.25, 0.25},
      {"residual at the start, stepped point returned", 2,
       1.0 / std::sqrt(3.0) + 4e-15 - 1e-3,
       1.0 / std::sqrt(3.0) + 4e-15 + 1e-3},
      {"converges, order 2 starting bracket", 2, 0.0,
       detail::first_root_bracket_end(2)},
      {"converges, order 999 largest root", 999,
       detail::largest_root_bracket_start(999), 1.0},
      {"converges in a narrow gap", 999, 0.5, 0.5 + 1e-3},
  };
}

TEST(ExitBrackets, ReachTheExitTheyAreNamedFor) {
  // Guards the table above: the brackets still exercise what they claim.
  const std::vector<ExitBracket> b = exit_brackets();
  EXPECT_EQ(newton_root(b[0].n, b[0].lo, b[0].hi), failure_value);
  EXPECT_EQ(newton_root(b[2].n, b[2].lo, b[2].hi), failure_value);
  EXPECT_EQ(newton_root(b[3].n, b[3].lo, b[3].hi), b[3].lo);
  EXPECT_EQ(newton_root(b[4].n, b[4].lo, b[4].hi), b[4].lo);
  EXPECT_EQ(newton_root(b[5].n, b[5].lo, b[5].hi), 0.0);
}

// ---------------------------------------------------------------------------
// The wide kernels, every variant this processor runs

using zemta::testing::supported_kernels;

TEST(LaneKernel, EveryVariantAtEveryWidthMatchesTheScalarFunctions) {
  const std::vector<const LaneKernel*> kernels = supported_kernels();
  ASSERT_FALSE(kernels.empty());
  EXPECT_NE(std::find(kernels.begin(), kernels.end(), &best_lane_kernel()),
            kernels.end());
  const std::vector<double> points = evaluation_points();
  for (const LaneKernel* kernel : kernels) {
    SCOPED_TRACE(kernel->name);
    for (const int n : orders_to_evaluate) {
      // Every exit and a grid, so lanes end at different rounds and take
      // new tasks while others run; widths that leave lanes empty.
      std::vector<double> lo;
      std::vector<double> hi;
      for (const ExitBracket& b : exit_brackets()) {
        lo.push_back(b.lo);
        hi.push_back(b.hi);
      }
      for (int k = 0; k < 60; ++k) {
        lo.push_back(-1.0 + k / 30.0);
        hi.push_back(lo.back() + (k % 3 == 0 ? 0.3 : 0.013));
      }
      const int count = static_cast<int>(lo.size());
      for (const int lanes : {1, 3, kernel->default_lanes, kernel->max_lanes}) {
        std::vector<double> root(lo.size() + 1, sentinel);
        kernel->newton_tasks(n, count, lo.data(), hi.data(), root.data(),
                             lanes);
        for (std::size_t t = 0; t < lo.size(); ++t) {
          ASSERT_TRUE(same_bits(root[t], newton_root(n, lo[t], hi[t])))
              << "order " << n << " lanes " << lanes << " task " << t;
        }
        ASSERT_EQ(root.back(), sentinel);
        std::vector<double> dp(points.size() + 1, sentinel);
        kernel->derivatives(n, static_cast<int>(points.size()), points.data(),
                            dp.data(), lanes);
        for (std::size_t t = 0; t < points.size(); ++t) {
          double sp = 0.0;
          double sdp = 0.0;
          legendre_eval(n, points[t], sp, sdp);
          ASSERT_TRUE(same_bits(dp[t], sdp))
              << "order " << n << " lanes " << lanes << " x " << hex(points[t]);
        }
        ASSERT_EQ(dp.back(), sentinel);
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The memo answers exactly the question it was asked, nothing near it

// A kernel whose every refinement gives `wrong`: a memo that compared less
// than all of (n, lo, hi) would give it for a question it did not compute.
constexpr double wrong = 0.123;
const LaneKernel lying_kernel = {
    "lying",
    [](int /*n*/, int count, const double* /*lo*/, const double* /*hi*/,
       double* root, int /*lanes*/) {
      for (int t = 0; t < count; ++t) {
        root[t] = wrong;
      }
    },
    [](int n, int count, const double* x, double* dp, int lanes) {
      best_lane_kernel().derivatives(n, count, x, dp, lanes);
    },
    [](int degree, int count, const double* a, double* q) {
      return best_lane_kernel().quotients(degree, count, a, q);
    },
    1,
    1};

TEST(RefinementMemo, AnswersOnlyTheBitsOfTheQuestionItHolds) {
  // The first entries at order 20 are the starting brackets, as the outline
  // asks them; each question below differs from one in one part.
  constexpr int n = 20;
  const double end = detail::first_root_bracket_end(n);
  const double start = detail::largest_root_bracket_start(n);
  struct Question {
    const char* differs;
    int n;
    double lo;
    double hi;
  };
  const Question others[] = {
      {"order", n + 1, 0.0, end},
      {"last bit of the upper end", n, 0.0, std::nextafter(end, 1.0)},
      {"last bit of the lower end", n, std::nextafter(start, 0.0), 1.0},
  };
  std::vector<double> x(half_count(n));
  std::vector<double> w(x.size());
  for (const Question& q : others) {
    SCOPED_TRACE(q.differs);
    RefinementMemo memo(lying_kernel);
    memo.compute_ahead(n, detail::predict_roots_asymptotic, x.data(), w.data());
    EXPECT_TRUE(
        same_bits(memo.root(q.n, q.lo, q.hi), newton_root(q.n, q.lo, q.hi)));
    EXPECT_EQ(memo.misses(), 1);
  }
  RefinementMemo memo(lying_kernel);
  memo.compute_ahead(n, detail::predict_roots_asymptotic, x.data(), w.data());
  EXPECT_EQ(memo.root(n, 0.0, end), wrong);
  EXPECT_EQ(memo.root(n, start, 1.0), wrong);
  EXPECT_EQ(memo.hits(), 2);
}

// ---------------------------------------------------------------------------
// Every order 2..999: the program's paths against the readable definition,
// with good and deliberately wrong predictions.

// Every prediction off by far more than the roots' spacing: no visit is
// computed ahead on the lower end it meets, so every one is refined at its
// turn.
void predict_all_wrong(int n, int count, double* approx) {
  predict_roots_asymptotic(n, count, approx);
  for (int j = 0; j < count; ++j) {
    approx[j] = 0.5 * approx[j] + 0.01;
  }
}

// The asymptotic predictions with every fifth one moved by a part in 10^9:
// close enough to polish into a neighbouring double now and then, so the
// memo's answers and misses alternate along the search.
void predict_some_wrong(int n, int count, double* approx) {
  predict_roots_asymptotic(n, count, approx);
  for (int j = 0; j < count; j += 5) {
    approx[j] *= 1.0 + 1e-9 * (j % 2 == 0 ? 1.0 : -1.0);
    if (j % 10 == 5) {
      approx[j] = approx[j] * 0.999 + 0.0005;  // and some far off
    }
  }
}

struct Coefficients {
  int result;
  std::vector<double> x;
  std::vector<double> w;
  std::string progress;
};

template <typename Compute>
Coefficients run_compute(int n, Compute compute) {
  const auto entries = static_cast<std::size_t>(half_count(n));
  // One spare entry each, to catch a write past the end.
  Coefficients c{0,
                 std::vector<double>(entries + 1, sentinel),
                 std::vector<double>(entries + 1, sentinel),
                 {}};
  MemoryStream diag;
  c.result = compute(n, c.x.data(), c.w.data(), diag.file());
  c.progress = diag.text();
  return c;
}

void expect_same(const Coefficients& actual, const Coefficients& expected) {
  ASSERT_EQ(actual.result, expected.result);
  ASSERT_TRUE(same_table(actual.x, expected.x)) << "abscissas";
  ASSERT_TRUE(same_table(actual.w, expected.w)) << "weights";
  ASSERT_EQ(actual.progress, expected.progress);
}

// The computation with a memo on the given kernel and predictor.
Coefficients run_memo(int n, RefinementMemo& memo, RootPredictor predict) {
  return run_compute(n, [&](int o, double* x, double* w, std::FILE* d) {
    memo.compute_ahead(o, predict, x, w);
    return detail::compute_with(o, x, w, d, memo);
  });
}

TEST(EveryOrder, EveryKernelAndPredictorMatchesOneAtATimeBitForBit) {
  const std::vector<const LaneKernel*> kernels = supported_kernels();
  int wrong_misses = 0;
  int wrong_hits = 0;
  for (int n = min_order; n <= max_order; ++n) {
    SCOPED_TRACE(::testing::Message() << "order " << n);
    const Coefficients reference =
        run_compute(n, compute_coefficients_one_at_a_time);
    expect_same(run_compute(n, compute_coefficients), reference);
    for (const LaneKernel* kernel : kernels) {
      SCOPED_TRACE(kernel->name);
      RefinementMemo memo(*kernel);
      expect_same(run_memo(n, memo, predict_roots_asymptotic), reference);
      // With the real predictor every question is answered ahead: a miss
      // would cost a refinement one at a time.
      EXPECT_EQ(memo.misses(), 0);
    }
    // The wrong predictors on the best kernel, for a spread of orders.
    if (n < 40 || n % 7 == 0 || n >= 990) {
      for (const RootPredictor predict :
           {predict_all_wrong, predict_some_wrong}) {
        RefinementMemo memo(best_lane_kernel());
        expect_same(run_memo(n, memo, predict), reference);
        wrong_misses += memo.misses();
        wrong_hits += memo.hits();
      }
    }
    if (HasFatalFailure()) {
      return;
    }
  }
  // The wrong predictors must make the memo both answer and miss.
  EXPECT_GT(wrong_misses, 1000);
  EXPECT_GT(wrong_hits, 1000);
}

TEST(RefinementMemo, WithoutMemoryOrReusedGivesTheSameBits) {
  // Without space the memo keeps nothing and refines every question when
  // asked; a memo used for one order after another lays its space out
  // anew for each, growing it when an order needs more.
  RefinementMemo starved(best_lane_kernel(),
                         [](std::size_t) -> void* { return nullptr; });
  RefinementMemo reused(best_lane_kernel());
  for (const int n : {20, 999, 5, 998}) {
    SCOPED_TRACE(::testing::Message() << "order " << n);
    const Coefficients reference =
        run_compute(n, compute_coefficients_one_at_a_time);
    expect_same(run_memo(n, starved, predict_roots_asymptotic), reference);
    EXPECT_EQ(starved.hits(), 0);
    EXPECT_GT(starved.misses(), 0);
    expect_same(run_memo(n, reused, predict_roots_asymptotic), reference);
    EXPECT_EQ(reused.misses(), 0);
  }
}

}  // namespace
}  // namespace zemta::detail
