// Timing of the coefficient text form, per call, over values of the three
// layouts the program writes: [0.1, 1), [0.001, 0.1) and below 0.001.
//
//   emit_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>

#include "emit/format_coefficient.h"

namespace {

// Count of sample values; a power of two so the index wraps with a mask.
constexpr std::size_t sample_count = 1024;

// Values spread over eight decades below 1, like the nodes, weights and
// raw-list values of the large orders.
std::array<double, sample_count> sample_values() {
  std::array<double, sample_count> values{};
  double x = 0.7390851332151607;
  for (std::size_t i = 0; i < sample_count; ++i) {
    values[i] = x;
    x *= 0.98213;
    if (x < 1e-8) {
      x += 0.5;
    }
  }
  return values;
}

void BM_FormatCoefficient(benchmark::State& state) {
  const std::array<double, sample_count> values = sample_values();
  std::size_t i = 0;
  for (auto _ : state) {
    auto text = zemta::format_coefficient(values[i]);
    benchmark::DoNotOptimize(text);
    i = (i + 1) & (sample_count - 1);
  }
}
BENCHMARK(BM_FormatCoefficient);

}  // namespace

BENCHMARK_MAIN();
