// The AVX2 interval lanes whose double-double products take their exact
// errors from fused multiply-adds (interval_lanes_body.inc): 32-byte
// vectors. Run only where the processor reports both AVX2 and FMA
// (interval_lanes in fast_count.cpp).
#if defined(__x86_64__)
#include <immintrin.h>

#include "rule/quadrature/interval_lanes.h"

#define ZEMTA_LANES_NAMESPACE avx2_fma_lanes
#define ZEMTA_LANES_TARGET __attribute__((target("avx2,fma")))
#define ZEMTA_VECTOR_BYTES 32
#define ZEMTA_MULTIPLY_SUBTRACT(a, b, c) _mm256_fmsub_pd(a, b, c)
#include "rule/quadrature/interval_lanes_body.inc"

namespace zemta::detail {

extern const IntervalLanes avx2_fma_interval_lanes;
const IntervalLanes avx2_fma_interval_lanes = {
    "avx2-fma",
    avx2_fma_lanes::kernel_lanes,
    avx2_fma_lanes::counts,
    avx2_fma_lanes::weight_sums,
    avx2_fma_lanes::newton_steps,
    avx2_fma_lanes::double_newton_steps,
    avx2_fma_lanes::double_counts,
    avx2_fma_lanes::twist_gammas};

}  // namespace zemta::detail
#endif
