// The AVX2 root-batch kernel: 32-byte vectors. Run only where the
// processor reports AVX2 (root_batch_kernel in correctly_rounded.cpp).
#if defined(__x86_64__) || defined(__i386__)
#include "rule/quadrature/root_batch.h"

#define ZEMTA_BATCH_NAMESPACE avx2_batch
#define ZEMTA_BATCH_TARGET __attribute__((target("avx2")))
#define ZEMTA_VECTOR_BYTES 32
#include "rule/quadrature/root_batch_body.inc"

namespace zemta::detail {

extern const RootBatchKernel avx2_root_batch;
const RootBatchKernel avx2_root_batch = {
    "avx2", avx2_batch::refine, avx2_batch::kernel_lanes,
    avx2_batch::refine_hermite, avx2_batch::refine_laguerre};

}  // namespace zemta::detail
#endif
