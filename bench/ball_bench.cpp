// Time per ball operation at the precisions the engine's Sturm counts use:
// ball_mul and ball_div on operands of full precision with a radius, and
// one step of a count (a division and a subtraction); and per call of exp,
// log and log Gamma.
#include <benchmark/benchmark.h>

#include "rule/quadrature/ball.h"

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

}  // namespace
}  // namespace zemta::detail

BENCHMARK_MAIN();
