// The AVX-512 kernel: 64-byte vectors. Run only where the processor reports
// AVX-512F (lane_kernel.cpp). The target enables FMA instructions too;
// -ffp-contract=off keeps the compiler from using them.
#if defined(__x86_64__) || defined(__i386__)
#include "quadrature/lane_kernel.h"

#define ZEMTA_KERNEL_NAMESPACE avx512_kernel
#define ZEMTA_KERNEL_TARGET __attribute__((target("avx512f")))
#define ZEMTA_VECTOR_BYTES 64
#define ZEMTA_FUSED_QUOTIENT 0
#include "quadrature/lane_kernel_body.inc"

namespace zemta::detail {

extern const LaneKernel avx512_lane_kernel;
const LaneKernel avx512_lane_kernel = {"avx512",
                                       avx512_kernel::newton_tasks,
                                       avx512_kernel::derivatives,
                                       avx512_kernel::quotients,
                                       avx512_kernel::kernel_max_lanes,
                                       64};

}  // namespace zemta::detail
#endif
