// How close the lockstep search comes to its bound.
//
// With two pieces of a gap visit refined side by side, a visit costs as
// many lockstep evaluations as the slower of its two pieces needs. This tool
// counts, for one order, the evaluations of the one-at-a-time run and those
// on the lockstep critical path, times one lockstep step, and compares the
// estimate with the measured times (thread CPU time, medians) of both paths.
//
//   critical_path [order] [repetitions]     (defaults 999 and 15)
#include <ctime>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/legendre.h"
#include "quadrature/lockstep.h"
#include "quadrature/newton.h"

namespace {

// Evaluations of every refinement of the one-at-a-time search, in call
// order; newton_root_lanes with one lane returns newton_root's result and
// the number of evaluations it made.
std::vector<int> refinement_evaluations;

double counting_refiner(int n, double lo, double hi) {
  double root = 0.0;
  refinement_evaluations.push_back(
      zemta::newton_root_lanes<1>(n, 1, &lo, &hi, &root));
  return root;
}

// CPU time of this thread: other processes on a busy machine do not count.
double cpu_ms() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 +
         static_cast<double>(now.tv_nsec) * 1e-6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <typename F>
double median_ms(int repetitions, F&& f) {
  std::vector<double> times;
  for (int r = 0; r < repetitions; ++r) {
    const double start = cpu_ms();
    f();
    times.push_back(cpu_ms() - start);
  }
  return median(times);
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 999;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 15;
  if (n < 5 || n > zemta::max_order || repetitions < 1) {
    std::fprintf(stderr, "usage: critical_path [order 5..999] [repetitions]\n");
    return 1;
  }
  const int total = zemta::half_count(n);
  std::vector<double> x(static_cast<std::size_t>(total));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");

  // Starting roots as the run computes them, then the search with counting.
  zemta::compute_coefficients_one_at_a_time(n, x.data(), w.data(), sink);
  std::vector<double> y(x.size());
  y[0] = x[0];
  y[1] = x.back();
  zemta::search_roots(n, y.data(), 2, sink, counting_refiner);
  if (y != x) {
    std::fprintf(stderr, "counting search differs from the run\n");
    return 1;
  }

  // Every visit of orders 5..999 makes two refinements.
  int all = 0;
  int critical = 0;
  for (std::size_t k = 0; k + 1 < refinement_evaluations.size(); k += 2) {
    all += refinement_evaluations[k] + refinement_evaluations[k + 1];
    critical +=
        std::max(refinement_evaluations[k], refinement_evaluations[k + 1]);
  }
  const auto visits = refinement_evaluations.size() / 2;

  // One lockstep step of two lanes, in ns.
  const double xs[2] = {0.3, 0.7};
  double p[2];
  double dp[2];
  volatile double keep = 0.0;
  const int evals = 2000;
  const double eval_ms = median_ms(repetitions, [&] {
    for (int e = 0; e < evals; ++e) {
      zemta::legendre_eval_lanes<2>(n, 2, xs, p, dp);
      keep = keep + p[0];
    }
  });
  const double ns_per_step = eval_ms * 1e6 / (evals * (n - 1.0));

  const double search_estimate_ms = critical * (n - 1.0) * ns_per_step * 1e-6;
  const double lockstep_ms = median_ms(repetitions, [&] {
    zemta::compute_coefficients_lockstep(n, x.data(), w.data(), sink);
  });
  const double one_ms = median_ms(repetitions, [&] {
    zemta::compute_coefficients_one_at_a_time(n, x.data(), w.data(), sink);
  });
  const double search_ms = median_ms(repetitions, [&] {
    y[0] = x[0];
    y[1] = x.back();
    zemta::search_roots_lockstep(n, y.data(), 2, sink);
  });
  std::fclose(sink);

  std::printf("order %d: %zu gap visits\n", n, visits);
  std::printf("search evaluations, one at a time:   %d\n", all);
  std::printf("search evaluations, critical path:   %d (%.3f of all)\n",
              critical,
              static_cast<double>(critical) / static_cast<double>(all));
  std::printf("lockstep step (2 lanes):             %.3f ns\n", ns_per_step);
  std::printf("search bound  critical x %d x step:  %.2f ms\n", n - 1,
              search_estimate_ms);
  std::printf("search measured (lockstep):          %.2f ms (%.3f of bound)\n",
              search_ms, search_ms / search_estimate_ms);
  std::printf("compute_coefficients lockstep:       %.2f ms\n", lockstep_ms);
  std::printf("compute_coefficients one at a time:  %.2f ms\n", one_ms);
  std::printf("ratio:                               %.3f\n",
              lockstep_ms / one_ms);
  return 0;
}
