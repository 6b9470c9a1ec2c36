// Timing of the evaluation kernels and of the whole computation, on the
// program's path (refinements computed ahead into a memo) and on the
// one-at-a-time path, in the same run.
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
#include "quadrature/predicted_search.h"
#include "rule/quadrature/correctly_rounded.h"
#include "rule/quadrature/root_batch.h"

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
    zemta::detail::legendre_eval(n, x, p, dp);
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(dp);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_step"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * (n - 1),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LegendreEval)->Arg(999);

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

// The program's path (on the best kernel) and the reference it must match.
void BM_ComputeCoefficients(benchmark::State& state) {
  run_compute(state, zemta::compute_coefficients);
}
void BM_ComputeCoefficientsOneAtATime(benchmark::State& state) {
  run_compute(state, zemta::compute_coefficients_one_at_a_time);
}
BENCHMARK(BM_ComputeCoefficients)
    ->Arg(20)
    ->Arg(100)
    ->Arg(999)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeCoefficientsOneAtATime)
    ->Arg(20)
    ->Arg(100)
    ->Arg(999)
    ->Unit(benchmark::kMicrosecond);

// The correctly rounded rule of the same order, both halves of it, against
// the program's computation above: compare the medians of
//   quadrature_bench --benchmark_filter='ComputeCoefficients/|CorrectlyRounded'
//       --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true
//   (one command line)
void BM_CorrectlyRoundedRule(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> x(static_cast<std::size_t>(n));
  std::vector<double> w(x.size());
  for (auto _ : state) {
    zemta::correctly_rounded_rule(n, x.data(), w.data());
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CorrectlyRoundedRule)
    ->Arg(20)
    ->Arg(100)
    ->Arg(999)
    ->Unit(benchmark::kMicrosecond);

// Indexed by the benchmarks' first argument: 0 portable, 1 AVX2,
// 2 AVX-512, 3 AVX2 with FMA quotients, 4 AVX-512 with FMA quotients (the
// root-batch kernels have only the first three).
const auto& variants = zemta::detail::lane_kernel_variants;

// The correctly rounded rule on each root-batch kernel this processor
// runs: args (variant, order).
void BM_CorrectlyRoundedPerKernel(benchmark::State& state) {
  const zemta::detail::RootBatchKernel* kernel =
      zemta::detail::root_batch_kernel(variants[state.range(0)]);
  if (kernel == nullptr) {
    state.SkipWithError("kernel not supported on this processor");
    return;
  }
  state.SetLabel(kernel->name);
  const int n = static_cast<int>(state.range(1));
  std::vector<double> x(static_cast<std::size_t>(n));
  std::vector<double> w(x.size());
  for (auto _ : state) {
    zemta::detail::correctly_rounded_rule(*kernel, n, x.data(), w.data());
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CorrectlyRoundedPerKernel)
    ->ArgsProduct({{0, 1, 2}, {999}})
    ->Unit(benchmark::kMicrosecond);

// The program's computation on each kernel this processor runs, at its
// default width: args (variant, order). Counts the refinements the memo
// could not answer.
void BM_ComputePerKernel(benchmark::State& state) {
  const zemta::detail::LaneKernel* kernel =
      zemta::detail::lane_kernel(variants[state.range(0)]);
  if (kernel == nullptr) {
    state.SkipWithError("kernel not supported here");
    return;
  }
  const int n = static_cast<int>(state.range(1));
  std::vector<double> x(static_cast<std::size_t>(zemta::half_count(n)));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  zemta::detail::RefinementMemo memo(*kernel);
  for (auto _ : state) {
    memo.compute_ahead(n, zemta::detail::predict_roots_asymptotic, x.data(),
                       w.data());
    zemta::detail::compute_with(n, x.data(), w.data(), sink, memo);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  std::fclose(sink);
  state.SetLabel(kernel->name);
  state.counters["misses"] = memo.misses();
}
BENCHMARK(BM_ComputePerKernel)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {20, 100, 999}})
    ->Unit(benchmark::kMicrosecond);

// Throughput of the evaluation kernel: args (variant, lanes); 1920
// derivative evaluations at order 999 per iteration.
void BM_KernelWidth(benchmark::State& state) {
  const zemta::detail::LaneKernel* kernel =
      zemta::detail::lane_kernel(variants[state.range(0)]);
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
    // Never 0, where every quotient is 0 and the -fma kernels divide.
    x[static_cast<std::size_t>(k)] = 0.999 * (k + 0.5) / points;
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
    ->ArgsProduct({{0, 1, 2, 3, 4}, {2, 4, 8, 16, 32, 64}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
