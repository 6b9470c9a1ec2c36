// The AVX-512 interval lanes, their double-double products exact by fused
// multiply-adds as in the avx2-fma variant (interval_lanes_body.inc):
// 64-byte vectors. Run only where the processor reports AVX-512F
// (interval_lanes in fast_count.cpp), which has the FMA instructions.
#if defined(__x86_64__)
#include <immintrin.h>

#include "rule/quadrature/interval_lanes.h"

#define ZEMTA_LANES_NAMESPACE avx512_lanes
#define ZEMTA_LANES_TARGET __attribute__((target("avx512f")))
#define ZEMTA_VECTOR_BYTES 64
#define ZEMTA_MULTIPLY_SUBTRACT(a, b, c) _mm512_fmsub_pd(a, b, c)
#include "rule/quadrature/interval_lanes_body.inc"

namespace zemta::detail {

extern const IntervalLanes avx512_interval_lanes;
const IntervalLanes avx512_interval_lanes = {"avx512",
                                             avx512_lanes::kernel_lanes,
                                             avx512_lanes::counts,
                                             avx512_lanes::weight_sums,
                                             avx512_lanes::newton_steps,
                                             avx512_lanes::double_newton_steps,
                                             avx512_lanes::double_counts,
                                             avx512_lanes::twist_gammas};

}  // namespace zemta::detail
#endif
