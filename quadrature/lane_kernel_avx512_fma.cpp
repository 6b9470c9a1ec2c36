// The AVX-512 kernel whose quotients by the degree are taken with FMAs
// instead of the divider (lane_kernel_quotient.inc): 64-byte vectors. Run
// only where the processor reports AVX-512F (lane_kernel.cpp), which has
// the FMA instructions.
#if defined(__x86_64__)
#include <immintrin.h>

#include "quadrature/lane_kernel.h"

#define ZEMTA_KERNEL_NAMESPACE avx512_fma_kernel
#define ZEMTA_KERNEL_TARGET __attribute__((target("avx512f")))
#define ZEMTA_VECTOR_BYTES 64
#define ZEMTA_FUSED_QUOTIENT 1
#define ZEMTA_COMPARE_TO_MASKS 1
#define ZEMTA_MULTIPLY_SUBTRACT(a, b, c) _mm512_fmsub_pd(a, b, c)
#define ZEMTA_NEGATED_MULTIPLY_ADD(a, b, c) _mm512_fnmadd_pd(a, b, c)
#include "quadrature/lane_kernel_body.inc"

namespace zemta::detail {

extern const LaneKernel avx512_fma_lane_kernel;
const LaneKernel avx512_fma_lane_kernel = {"avx512-fma",
                                           avx512_fma_kernel::newton_tasks,
                                           avx512_fma_kernel::derivatives,
                                           avx512_fma_kernel::quotients,
                                           avx512_fma_kernel::kernel_max_lanes,
                                           64};

}  // namespace zemta::detail
#endif
