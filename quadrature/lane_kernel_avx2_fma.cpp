// The AVX2 kernel whose quotients by the degree are taken with FMAs instead
// of the divider (lane_kernel_quotient.inc): 32-byte vectors. Run only
// where the processor reports both AVX2 and FMA (lane_kernel.cpp).
#if defined(__x86_64__)
#include <immintrin.h>

#include "quadrature/lane_kernel.h"

#define ZEMTA_KERNEL_NAMESPACE avx2_fma_kernel
#define ZEMTA_KERNEL_TARGET __attribute__((target("avx2,fma")))
#define ZEMTA_VECTOR_BYTES 32
#define ZEMTA_FUSED_QUOTIENT 1
#define ZEMTA_COMPARE_TO_MASKS 0
#define ZEMTA_MULTIPLY_SUBTRACT(a, b, c) _mm256_fmsub_pd(a, b, c)
#define ZEMTA_NEGATED_MULTIPLY_ADD(a, b, c) _mm256_fnmadd_pd(a, b, c)
#include "quadrature/lane_kernel_body.inc"

namespace zemta::detail {

extern const LaneKernel avx2_fma_lane_kernel;
const LaneKernel avx2_fma_lane_kernel = {"avx2-fma",
                                         avx2_fma_kernel::newton_tasks,
                                         avx2_fma_kernel::derivatives,
                                         avx2_fma_kernel::quotients,
                                         avx2_fma_kernel::kernel_max_lanes,
                                         32};

}  // namespace zemta::detail
#endif
