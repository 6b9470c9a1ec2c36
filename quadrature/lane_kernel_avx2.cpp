// The AVX2 kernel: 32-byte vectors. Run only where the processor reports
// AVX2 (lane_kernel.cpp).
#if defined(__x86_64__) || defined(__i386__)
#include "quadrature/lane_kernel.h"

#define ZEMTA_KERNEL_NAMESPACE avx2_kernel
#define ZEMTA_KERNEL_TARGET __attribute__((target("avx2")))
#define ZEMTA_VECTOR_BYTES 32
#define ZEMTA_FUSED_QUOTIENT 0
#include "quadrature/lane_kernel_body.inc"

namespace zemta::detail {

extern const LaneKernel avx2_lane_kernel;
const LaneKernel avx2_lane_kernel = {"avx2",
                                     avx2_kernel::newton_tasks,
                                     avx2_kernel::derivatives,
                                     avx2_kernel::quotients,
                                     avx2_kernel::kernel_max_lanes,
                                     32};

}  // namespace zemta::detail
#endif
