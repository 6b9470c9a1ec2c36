// The baseline interval lanes, for every target: 16-byte vectors (SSE2 on
// x86-64, NEON on AArch64, scalar code on WebAssembly without SIMD).
#include "rule/quadrature/interval_lanes.h"

#define ZEMTA_LANES_NAMESPACE portable_lanes
#define ZEMTA_LANES_TARGET
#define ZEMTA_VECTOR_BYTES 16
#include "rule/quadrature/interval_lanes_body.inc"

namespace zemta::detail {

extern const IntervalLanes portable_interval_lanes;
const IntervalLanes portable_interval_lanes = {
    "portable",
    portable_lanes::kernel_lanes,
    portable_lanes::counts,
    portable_lanes::weight_sums,
    portable_lanes::newton_steps,
    portable_lanes::double_newton_steps,
    portable_lanes::double_counts,
    portable_lanes::twist_gammas};

}  // namespace zemta::detail
