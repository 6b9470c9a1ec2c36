#include "quadrature/lane_kernel.h"

#include <initializer_list>

namespace zemta::detail {

extern const LaneKernel portable_lane_kernel;
#if defined(__x86_64__) || defined(__i386__)
extern const LaneKernel avx2_lane_kernel;
extern const LaneKernel avx512_lane_kernel;
#endif

const LaneKernel* lane_kernel(KernelVariant variant) {
  switch (variant) {
    case KernelVariant::portable:
      return &portable_lane_kernel;
#if defined(__x86_64__) || defined(__i386__)
    case KernelVariant::avx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") ? &avx2_lane_kernel : nullptr;
    case KernelVariant::avx512:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx512f") ? &avx512_lane_kernel : nullptr;
#endif
    default:
      return nullptr;
  }
}

const LaneKernel& best_lane_kernel() {
  for (const KernelVariant variant :
       {KernelVariant::avx512, KernelVariant::avx2}) {
    if (const LaneKernel* kernel = lane_kernel(variant)) {
      return *kernel;
    }
  }
  return portable_lane_kernel;
}

}  // namespace zemta::detail
