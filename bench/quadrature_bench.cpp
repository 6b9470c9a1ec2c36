// Timing of the numerical kernel and of the whole computation, on the
// lockstep path and on the one-at-a-time path, in the same run.
//
//   quadrature_bench --benchmark_min_time=0.5
//   quadrature_bench --benchmark_filter='ComputeCoefficients.*/999'
//       --benchmark_repetitions=5   (one command line)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/lane_kernel.h"
#include "quadrature/legendre.h"
#include "quadrature/lockstep.h"
#include "quadrature/speculative.h"

namespace {

// One evaluation at order n runs n - 1 recurrence steps; the counter
// reports the time per step.
void BM_LegendreEval(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double x = 0.123456789;
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    double p = 0.0;
    double dp = 0.0;
    zemta::legendre_eval(n, x, p, dp);
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(dp);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_step"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * (n - 1),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LegendreEval)->Arg(999);

// Lanes evaluations in lockstep: ns_per_step is the time of one lockstep
// step (all lanes), ns_per_lane_step that time divided by the lanes.
template <int Lanes>
void BM_LegendreEvalLanes(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double x[Lanes];
  for (int l = 0; l < Lanes; ++l) {
    x[l] = 0.123456789 + 0.01 * l;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    double p[Lanes];
    double dp[Lanes];
    zemta::legendre_eval_lanes<Lanes>(n, Lanes, x, p, dp);
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(dp);
    benchmark::ClobberMemory();
  }
  const double steps = static_cast<double>(state.iterations()) * (n - 1);
  state.counters["ns_per_step"] = benchmark::Counter(
      steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_lane_step"] = benchmark::Counter(
      steps * Lanes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LegendreEvalLanes<1>)->Arg(999);
BENCHMARK(BM_LegendreEvalLanes<2>)->Arg(999);
BENCHMARK(BM_LegendreEvalLanes<4>)->Arg(999);
BENCHMARK(BM_LegendreEvalLanes<8>)->Arg(999);

using Compute = int (*)(int, double*, double*, std::FILE*);

void run_compute(benchmark::State& state, Compute compute) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> x(static_cast<std::size_t>(zemta::half_count(n)));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    compute(n, x.data(), w.data(), sink);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  std::fclose(sink);
}

// The program's path (speculative, on the best kernel), the previous
// lockstep path and the reference they must match.
void BM_ComputeCoefficients(benchmark::State& state) {
  run_compute(state, zemta::compute_coefficients);
}
void BM_ComputeCoefficientsLockstep(benchmark::State& state) {
  run_compute(state, zemta::compute_coefficients_lockstep);
}
void BM_ComputeCoefficientsOneAtATime(benchmark::State& state) {
  run_compute(state, zemta::compute_coefficients_one_at_a_time);
}
BENCHMARK(BM_ComputeCoefficients)
    ->Arg(20)
    ->Arg(100)
    ->Arg(999)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeCoefficientsLockstep)
    ->Arg(20)
    ->Arg(100)
    ->Arg(999)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeCoefficientsOneAtATime)
    ->Arg(20)
    ->Arg(100)
    ->Arg(999)
    ->Unit(benchmark::kMicrosecond);

// The search alone, from the two starting roots, at several lane widths;
// width 1 is the lockstep code with nothing beside it.
template <int Lanes>
void BM_SearchLanes(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> x(static_cast<std::size_t>(zemta::half_count(n)));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  zemta::compute_coefficients_one_at_a_time(n, x.data(), w.data(), sink);
  const double first = x[0];
  const double largest = x.back();
  for (auto _ : state) {
    x[0] = first;
    x[1] = largest;
    zemta::search_roots_lanes<Lanes>(n, x.data(), 2, sink);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  std::fclose(sink);
}
BENCHMARK(BM_SearchLanes<1>)->Arg(999)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchLanes<2>)->Arg(999)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchLanes<4>)->Arg(999)->Unit(benchmark::kMicrosecond);

// The weights alone, at several lane widths.
template <int Lanes>
void BM_WeightsLanes(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int total = zemta::half_count(n);
  std::vector<double> x(static_cast<std::size_t>(total));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  zemta::compute_coefficients_one_at_a_time(n, x.data(), w.data(), sink);
  std::fclose(sink);
  for (auto _ : state) {
    for (int i = 0; i < total; i += Lanes) {
      const int count = total - i < Lanes ? total - i : Lanes;
      double p[Lanes];
      double dp[Lanes];
      zemta::legendre_eval_lanes<Lanes>(n, count, x.data() + i, p, dp);
      for (int l = 0; l < count; ++l) {
        const auto at =
            static_cast<std::size_t>(i) + static_cast<std::size_t>(l);
        w[at] = ((2.0 / (1.0 - x[at] * x[at])) / dp[l]) / dp[l];
      }
    }
    benchmark::DoNotOptimize(w.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WeightsLanes<1>)->Arg(999)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeightsLanes<2>)->Arg(999)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeightsLanes<4>)->Arg(999)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeightsLanes<8>)->Arg(999)->Unit(benchmark::kMicrosecond);

const zemta::KernelVariant variants[] = {zemta::KernelVariant::portable,
                                         zemta::KernelVariant::avx2,
                                         zemta::KernelVariant::avx512};

// The speculative computation on each kernel this processor runs, at its
// default width: args (variant, order).
void BM_ComputeSpeculative(benchmark::State& state) {
  const zemta::LaneKernel* kernel =
      zemta::lane_kernel(variants[state.range(0)]);
  if (kernel == nullptr) {
    state.SkipWithError("kernel not supported here");
    return;
  }
  const int n = static_cast<int>(state.range(1));
  std::vector<double> x(static_cast<std::size_t>(zemta::half_count(n)));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  zemta::SpeculationCount count;
  for (auto _ : state) {
    count = {};
    zemta::compute_coefficients_speculative(
        n, x.data(), w.data(), sink, *kernel, zemta::predict_roots_asymptotic,
        &count);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  std::fclose(sink);
  state.SetLabel(kernel->name);
  state.counters["hit_rate"] =
      count.visits > 0 ? static_cast<double>(count.hits) / count.visits : 1.0;
}
BENCHMARK(BM_ComputeSpeculative)
    ->ArgsProduct({{0, 1, 2}, {20, 100, 999}})
    ->Unit(benchmark::kMicrosecond);

// Throughput of the evaluation kernel: args (variant, lanes); 1920
// derivative evaluations at order 999 per iteration.
void BM_KernelWidth(benchmark::State& state) {
  const zemta::LaneKernel* kernel =
      zemta::lane_kernel(variants[state.range(0)]);
  if (kernel == nullptr) {
    state.SkipWithError("kernel not supported here");
    return;
  }
  const int lanes = static_cast<int>(state.range(1));
  constexpr int n = 999;
  constexpr int points = 1920;
  std::vector<double> x(points);
  std::vector<double> dp(points);
  for (int k = 0; k < points; ++k) {
    x[static_cast<std::size_t>(k)] = 0.999 * k / points;
  }
  for (auto _ : state) {
    kernel->derivatives(n, points, x.data(), dp.data(), lanes);
    benchmark::DoNotOptimize(dp.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(kernel->name);
  state.counters["ns_per_lane_step"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * points * (n - 1),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KernelWidth)
    ->ArgsProduct({{0, 1, 2}, {2, 4, 8, 16, 32, 64}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
