// The baseline root-batch kernel, for every target: 16-byte vectors (SSE2
// on x86-64 and on i686 built with -msse2, NEON on AArch64, scalar code on
// WebAssembly without SIMD).
#include "rule/quadrature/root_batch.h"

#define ZEMTA_BATCH_NAMESPACE portable_batch
#define ZEMTA_BATCH_TARGET
#define ZEMTA_VECTOR_BYTES 16
#include "rule/quadrature/root_batch_body.inc"

namespace zemta::detail {

extern const RootBatchKernel portable_root_batch;
const RootBatchKernel portable_root_batch = {
    "portable", portable_batch::refine, portable_batch::kernel_lanes,
    portable_batch::refine_hermite, portable_batch::refine_laguerre};

}  // namespace zemta::detail
