#include "quadrature/lane_kernel.h"

namespace zemta::detail {

extern const LaneKernel portable_lane_kernel;
#if defined(__x86_64__) || defined(__i386__)
extern const LaneKernel avx2_lane_kernel;
extern const LaneKernel avx512_lane_kernel;
#endif
#if defined(__x86_64__)
extern const LaneKernel avx2_fma_lane_kernel;
extern const LaneKernel avx512_fma_lane_kernel;
#endif

bool processor_runs(KernelVariant variant) {
  switch (variant) {
    case KernelVariant::portable:
      return true;
#if defined(__x86_64__) || defined(__i386__)
    case KernelVariant::avx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2");
    case KernelVariant::avx2_fma:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case KernelVariant::avx512:
    case KernelVariant::avx512_fma:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx512f");
#endif
    default:
      return false;
  }
}

namespace {

// This build's kernels; the timing below chooses among them.
constexpr KernelOfVariant<LaneKernel> lane_kernels[] = {
#if defined(__x86_64__) || defined(__i386__)
    {KernelVariant::avx2, &avx2_lane_kernel},
    {KernelVariant::avx512, &avx512_lane_kernel},
#endif
#if defined(__x86_64__)
    {KernelVariant::avx2_fma, &avx2_fma_lane_kernel},
    {KernelVariant::avx512_fma, &avx512_fma_lane_kernel},
#endif
    {KernelVariant::portable, &portable_lane_kernel}};

}  // namespace

const LaneKernel* lane_kernel(KernelVariant variant) {
  return kernel_of(lane_kernels, variant);
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
// The timing: each kernel evaluates its default number of lanes at order
// calibration_order, in calibration_rounds rounds that alternate the
// kernels; a kernel's time is its least, which leaves out the first touch
// of its code and interruptions. About 1 to 3 microseconds a kernel.
constexpr int calibration_order = 48;
constexpr int calibration_rounds = 3;
constexpr int calibration_max_lanes = 64;  // the widest default_lanes

// Time-stamp counter ticks per lane-step of one evaluation by `kernel`.
double ticks_per_lane_step(const LaneKernel& kernel) {
  double x[calibration_max_lanes];
  double dp[calibration_max_lanes];
  const int lanes = kernel.default_lanes < calibration_max_lanes
                        ? kernel.default_lanes
                        : calibration_max_lanes;
  for (int l = 0; l < lanes; ++l) {
    // Inside (-0.95, 0.95), never 0: the evaluation's common case.
    x[l] = (l + 0.5) * (1.9 / lanes) - 0.95;
  }
  const unsigned long long start = __builtin_ia32_rdtsc();
  kernel.derivatives(calibration_order, lanes, x, dp, lanes);
  const unsigned long long end = __builtin_ia32_rdtsc();
  // Through the signed type: 32-bit x86 converts an unsigned 64-bit
  // integer with an x87 addition, which the build keeps out of the code.
  return static_cast<double>(static_cast<long long>(end - start)) /
         (static_cast<double>(lanes) * calibration_order);
}
#endif

const LaneKernel& fastest_kernel() {
  const LaneKernel* kernels[sizeof(lane_kernel_variants) /
                            sizeof(lane_kernel_variants[0])] = {};
  int count = 0;
  // The portable kernel only where no other runs: it is the AVX2 kernel's
  // arithmetic at half the width.
  for (const KernelVariant variant : lane_kernel_variants) {
    if (variant == KernelVariant::portable) {
      continue;
    }
    if (const LaneKernel* kernel = lane_kernel(variant)) {
      kernels[count++] = kernel;
    }
  }
  if (count == 0) {
    return portable_lane_kernel;
  }
  if (count == 1) {
    return *kernels[0];
  }
#if defined(__x86_64__) || defined(__i386__)
  double least[sizeof(kernels) / sizeof(kernels[0])] = {};
  for (int round = 0; round < calibration_rounds; ++round) {
    for (int k = 0; k < count; ++k) {
      const double ticks = ticks_per_lane_step(*kernels[k]);
      if (round == 0 || ticks < least[k]) {
        least[k] = ticks;
      }
    }
  }
  int best = 0;
  for (int k = 1; k < count; ++k) {
    if (least[k] < least[best]) {
      best = k;
    }
  }
  return *kernels[best];
#else
  return *kernels[0];
#endif
}

}  // namespace

const LaneKernel& best_lane_kernel() {
  static const LaneKernel& chosen = fastest_kernel();
  return chosen;
}

}  // namespace zemta::detail
