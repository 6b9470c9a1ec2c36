// The AVX-512 root-batch kernel: 64-byte vectors. Run only where the
// processor reports AVX-512F (root_batch_kernel in correctly_rounded.cpp).
#if defined(__x86_64__) || defined(__i386__)
#include "rule/quadrature/root_batch.h"

#define ZEMTA_BATCH_NAMESPACE avx512_batch
#define ZEMTA_BATCH_TARGET __attribute__((target("avx512f")))
#define ZEMTA_VECTOR_BYTES 64
#include "rule/quadrature/root_batch_body.inc"

namespace zemta::detail {

extern const RootBatchKernel avx512_root_batch;
const RootBatchKernel avx512_root_batch = {
    "avx512", avx512_batch::refine, avx512_batch::kernel_lanes,
    avx512_batch::refine_hermite, avx512_batch::refine_laguerre};

}  // namespace zemta::detail
#endif
