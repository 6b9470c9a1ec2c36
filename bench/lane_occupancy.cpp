// How full the lane kernel's batches are over one computation: every batch
// the memo and the weights hand the kernel, with the lane-evaluations it
// makes and the share of the evaluated lanes that carried a task. The
// kernel evaluates its active lanes in 1, 2, 4 or 8 vectors (of 8 lanes
// with AVX-512, 4 with AVX2, 2 portable), so a draining queue leaves lanes
// idle; this counts them.
//
//   lane_occupancy [ORDER]    (default 999; the fastest kernel here)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "quadrature/coefficients.h"
#include "quadrature/lane_kernel.h"
#include "quadrature/legendre.h"
#include "quadrature/newton.h"
#include "quadrature/predicted_search.h"

namespace {

const zemta::detail::LaneKernel* real_kernel = nullptr;
double carried = 0.0;    // lane-evaluations with a task
double evaluated = 0.0;  // lane-evaluations made, idle lanes included

// Every variant's widest batch is 8 vectors (max_vectors in
// lane_kernel_body.inc), so a vector holds max_lanes / 8 lanes.
int lanes_evaluated(int active) {
  const int vector_lanes = real_kernel->max_lanes / 8;
  int vectors = 1;
  while (vectors * vector_lanes < active) {
    vectors *= 2;
  }
  return vectors * vector_lanes;
}

// The evaluations newton_root(n, lo, hi) makes: its rounds, exits included.
int evaluations(int n, double lo, double hi) {
  double x = (lo + hi) / 2.0;
  int made = 0;
  for (int round = 0; round < zemta::detail::max_newton_rounds; ++round) {
    double p = 0.0;
    double dp = 0.0;
    zemta::detail::legendre_eval(n, x, p, dp);
    ++made;
    if (std::fabs(dp) < zemta::detail::min_derivative) {
      break;
    }
    double t = x - p / dp;
    t = t > hi ? hi : (t < lo ? lo : t);
    if (std::fabs(p) <= zemta::detail::root_tolerance ||
        std::fabs(t - x) <= zemta::detail::root_tolerance) {
      break;
    }
    x = t;
  }
  return made;
}

void report(const char* what, int count, double batch_carried,
            double batch_evaluated) {
  std::printf("%-12s %4d tasks %6.0f lane-evaluations, %.3f full\n", what,
              count, batch_carried, batch_carried / batch_evaluated);
  carried += batch_carried;
  evaluated += batch_evaluated;
}

// The kernel's schedule replayed: lanes packed at the front, a lane whose
// task ends takes the next one.
void newton_tasks(int n, int count, const double* lo, const double* hi,
                  double* root, int lanes) {
  std::vector<int> left;
  int next = 0;
  for (; static_cast<int>(left.size()) < lanes && next < count; ++next) {
    left.push_back(evaluations(n, lo[next], hi[next]));
  }
  double batch_carried = 0.0;
  double batch_evaluated = 0.0;
  while (!left.empty()) {
    const auto active = static_cast<int>(left.size());
    batch_carried += active;
    batch_evaluated += lanes_evaluated(active);
    for (std::size_t l = 0; l < left.size();) {
      if (--left[l] > 0) {
        ++l;
      } else if (next < count) {
        left[l++] = evaluations(n, lo[next], hi[next]);
        ++next;
      } else {
        left[l] = left.back();
        left.pop_back();
      }
    }
  }
  report("refinements", count, batch_carried, batch_evaluated);
  real_kernel->newton_tasks(n, count, lo, hi, root, lanes);
}

void derivatives(int n, int count, const double* x, double* dp, int lanes) {
  double batch_evaluated = 0.0;
  for (int first = 0; first < count; first += lanes) {
    batch_evaluated +=
        lanes_evaluated(count - first < lanes ? count - first : lanes);
  }
  report("derivatives", count, count, batch_evaluated);
  real_kernel->derivatives(n, count, x, dp, lanes);
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : zemta::max_order;
  if (!zemta::order_in_range(n)) {
    std::fprintf(stderr, "usage: lane_occupancy [ORDER from 2 to 999]\n");
    return 2;
  }
  real_kernel = &zemta::detail::best_lane_kernel();
  zemta::detail::LaneKernel recording = *real_kernel;
  recording.newton_tasks = newton_tasks;
  recording.derivatives = derivatives;

  std::vector<double> x(static_cast<std::size_t>(zemta::half_count(n)));
  std::vector<double> w(x.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  zemta::detail::RefinementMemo memo(recording);
  memo.compute_ahead(n, zemta::detail::predict_roots_asymptotic, x.data(),
                     w.data());
  zemta::detail::compute_with(n, x.data(), w.data(), sink, memo);
  std::fclose(sink);
  std::printf(
      "order %d, %s kernel at %d lanes: %.0f evaluations, %.3f full; "
      "%d refinements not computed ahead\n",
      n, real_kernel->name, real_kernel->default_lanes, carried,
      carried / evaluated, memo.misses());
  return 0;
}
