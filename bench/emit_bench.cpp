// Timing of the coefficient text form, per call, over values of the three
// layouts the program writes: [0.1, 1), [0.001, 0.1) and below 0.001; and
// of the program's whole output for an order, written as the program
// writes it, to an unbuffered /dev/null.
//
//   emit_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "emit/all_texts.h"
#include "emit/format_coefficient.h"
#include "quadrature/coefficients.h"

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

// The three texts of order n from a table shaped like the rule's: nodes
// cos(pi (i + 1/2) / n) ascending, and weights of pi / n sin(node's angle).
void BM_AllTexts(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int half = zemta::half_count(n);
  std::vector<double> abscissas(static_cast<std::size_t>(half));
  std::vector<double> weights(static_cast<std::size_t>(half));
  const double pi = std::acos(-1.0);
  for (int i = 0; i < half; ++i) {
    const double angle = pi * (half - i - 0.5) / n;
    abscissas[static_cast<std::size_t>(i)] =
        n % 2 == 1 && i == 0 ? 0.0 : std::cos(angle);
    weights[static_cast<std::size_t>(i)] = pi / n * std::sin(angle);
  }
  std::FILE* out = std::fopen("/dev/null", "w");
  std::FILE* diag = std::fopen("/dev/null", "w");
  std::setvbuf(out, nullptr, _IONBF, 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        zemta::emit_all_texts(n, abscissas.data(), weights.data(), out, diag));
  }
  std::fclose(out);
  std::fclose(diag);
}
BENCHMARK(BM_AllTexts)->Arg(100)->Arg(999);

}  // namespace

BENCHMARK_MAIN();
