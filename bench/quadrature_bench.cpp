// Timing of the numerical kernel and of the whole computation.
//
//   build/dev/bench/quadrature_bench --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/legendre.h"

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

void BM_ComputeCoefficients(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> x(static_cast<std::size_t>(zemta::half_count(n)));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    zemta::compute_coefficients(n, x.data(), w.data(), sink);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  std::fclose(sink);
}
BENCHMARK(BM_ComputeCoefficients)->Arg(20)->Arg(100)->Arg(999)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
