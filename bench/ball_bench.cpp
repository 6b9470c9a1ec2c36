// Time per ball operation at the precisions the engine's Sturm counts use:
// ball_mul and ball_div on operands of full precision with a radius, and
// one step of a count (a division and a subtraction); per call of exp,
// log and log Gamma; and per row, the engine's passes in double-double: a
// certified count, two in one pass, and the weight's pass.
#include <benchmark/benchmark.h>

#include "rule/quadrature/ball.h"
#include "rule/quadrature/fast_count.h"
#include "rule/quadrature/interval_lanes.h"

namespace zemta::detail {
namespace {

// 1/3 and -2/7 at `bits`, each with a radius from its rounding.
Ball third(int bits) {
  return ball_div(ball_from_int(1), ball_from_int(3), bits);
}
Ball minus_two_sevenths(int bits) {
  return ball_div(ball_from_int(-2), ball_from_int(7), bits);
}

void BM_BallMul(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Ball x = third(bits);
  const Ball y = minus_two_sevenths(bits);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ball_mul(x, y, bits));
  }
}
BENCHMARK(BM_BallMul)->Arg(128)->Arg(256)->Arg(512);

void BM_BallDiv(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Ball x = third(bits);
  const Ball y = minus_two_sevenths(bits);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ball_div(x, y, bits));
  }
}
BENCHMARK(BM_BallDiv)->Arg(128)->Arg(256)->Arg(512);

void BM_BallSturmStep(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Ball a = third(bits);
  const Ball b2 = minus_two_sevenths(bits);
  Ball d = ball_from_int(1);
  for (auto _ : state) {
    d = ball_sub(a, ball_div(b2, d, bits), bits);
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_BallSturmStep)->Arg(128)->Arg(256)->Arg(512);

// The functions a weight takes once per node or once per rule.
void BM_BallExp(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Ball x = ball_mul_2exp(third(bits), 10);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ball_exp(x, bits));
  }
}
BENCHMARK(BM_BallExp)->Arg(128)->Arg(256);

void BM_BallLog(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Ball x = ball_mul_2exp(third(bits), 10);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ball_log(x, bits));
  }
}
BENCHMARK(BM_BallLog)->Arg(128)->Arg(256);

void BM_BallLogGamma(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Ball x = third(bits);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ball_log_gamma(x, bits));
  }
}
BENCHMARK(BM_BallLogGamma)->Arg(128)->Arg(256);

// One certified count in double-double (fast_count.h) over the Legendre
// matrix of order 999 (a = 0, b2_k = k^2 / (4k^2 - 1)), at an interior
// point and near the end: the time per row is the figure docs/speed.md
// quotes.
FastCountMatrix legendre_count_matrix(int m) {
  std::vector<Ball> a(static_cast<std::size_t>(m), ball_from_int(0));
  std::vector<Ball> b2;
  for (int k = 1; k < m; ++k) {
    b2.push_back(ball_div(ball_from_int(std::int64_t{k} * k),
                          ball_from_int(std::int64_t{4} * k * k - 1), 128));
  }
  return fast_count_matrix(a, b2);
}

// The time per row of a pass over that matrix, as the counter ns_per_row.
constexpr int bench_rows = 999;
void count_rows(benchmark::State& state) {
  state.counters["ns_per_row"] = benchmark::Counter(
      bench_rows, benchmark::Counter::kIsIterationInvariantRate |
                      benchmark::Counter::kInvert);
}

void BM_FastCount(benchmark::State& state) {
  const FastCountMatrix t = legendre_count_matrix(bench_rows);
  const Dyadic z =
      dyadic_from_double(static_cast<double>(state.range(0)) / 1000);
  for (auto _ : state) {
    benchmark::DoNotOptimize(fast_count(t, z));
  }
  count_rows(state);
}
BENCHMARK(BM_FastCount)->Arg(300)->Arg(999);

// Two points in one pass (fast_count_pair): per row, against one count.
void BM_FastCountPair(benchmark::State& state) {
  const FastCountMatrix t = legendre_count_matrix(bench_rows);
  const double x = static_cast<double>(state.range(0)) / 1000;
  const Dyadic z0 = dyadic_from_double(x);
  const Dyadic z1 = dyadic_from_double(x + 0x1p-40);
  int counts[2];
  for (auto _ : state) {
    fast_count_pair(t, z0, z1, counts);
    benchmark::DoNotOptimize(counts);
  }
  count_rows(state);
}
BENCHMARK(BM_FastCountPair)->Arg(300)->Arg(999);

// The weight's pass (fast_inverse_first_square) over an enclosure of 2^-90
// around a point near a node of the same matrix, twisted at the middle row.
void BM_FastWeightPass(benchmark::State& state) {
  const FastCountMatrix t = legendre_count_matrix(bench_rows);
  const Dyadic z = dyadic_from_double(0.3);
  const Dyadic half_width = dyadic_from_double(0x1p-90);
  for (auto _ : state) {
    benchmark::DoNotOptimize(fast_inverse_first_square(t, z, half_width, 499));
  }
  count_rows(state);
}
BENCHMARK(BM_FastWeightPass);

// The weight passes of as many points as the fastest lanes take, in one
// pass: the counter is per row for all of them.
void BM_FastWeightPassLanes(benchmark::State& state) {
  const FastCountMatrix t = legendre_count_matrix(bench_rows);
  const IntervalLanes& lanes = best_interval_lanes();
  Dyadic z[max_interval_lanes];
  Dyadic half_width[max_interval_lanes];
  for (int i = 0; i < lanes.lanes; ++i) {
    z[i] = dyadic_from_double(0.3 + 0.01 * i);
    half_width[i] = dyadic_from_double(0x1p-90);
  }
  for (auto _ : state) {
    Ball out[max_interval_lanes];
    fast_inverse_first_squares(lanes, t, z, half_width, lanes.lanes, 499, out);
    benchmark::DoNotOptimize(out);
  }
  count_rows(state);
  state.SetLabel(lanes.name);
}
BENCHMARK(BM_FastWeightPassLanes);

}  // namespace
}  // namespace zemta::detail

BENCHMARK_MAIN();
