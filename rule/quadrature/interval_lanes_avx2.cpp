// The AVX2 interval lanes: 32-byte vectors. Run only where the processor
// reports AVX2 (interval_lanes in fast_count.cpp).
// x86-64 only (fast_count.cpp says why).
#if defined(__x86_64__)
#include "rule/quadrature/interval_lanes.h"

#define ZEMTA_LANES_NAMESPACE avx2_lanes
#define ZEMTA_LANES_TARGET __attribute__((target("avx2")))
#define ZEMTA_VECTOR_BYTES 32
#include "rule/quadrature/interval_lanes_body.inc"

namespace zemta::detail {

extern const IntervalLanes avx2_interval_lanes;
const IntervalLanes avx2_interval_lanes = {"avx2",
                                           avx2_lanes::kernel_lanes,
                                           avx2_lanes::counts,
                                           avx2_lanes::weight_sums,
                                           avx2_lanes::newton_steps,
                                           avx2_lanes::double_newton_steps,
                                           avx2_lanes::double_counts,
                                           avx2_lanes::twist_gammas};

}  // namespace zemta::detail
#endif
