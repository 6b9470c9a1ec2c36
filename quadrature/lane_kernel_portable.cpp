// The baseline kernel, for every target: 16-byte vectors (SSE2 on x86-64
// and on i686 built with -msse2, NEON on AArch64).
#include "quadrature/lane_kernel.h"

#define ZEMTA_KERNEL_NAMESPACE portable_kernel
#define ZEMTA_KERNEL_TARGET
#define ZEMTA_VECTOR_BYTES 16
#define ZEMTA_FUSED_QUOTIENT 0
#include "quadrature/lane_kernel_body.inc"

namespace zemta::detail {

extern const LaneKernel portable_lane_kernel;
// 16 lanes: the fastest width measured (bench/quadrature_bench, KernelWidth).
const LaneKernel portable_lane_kernel = {"portable",
                                         portable_kernel::newton_tasks,
                                         portable_kernel::derivatives,
                                         portable_kernel::quotients,
                                         portable_kernel::kernel_max_lanes,
                                         16};

}  // namespace zemta::detail
