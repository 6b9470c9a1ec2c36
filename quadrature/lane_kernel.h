// Wide evaluation kernels: many Newton refinements and Legendre derivative
// evaluations side by side in vector registers, each lane bit-identical to
// newton_root and legendre_eval.
//
// A lane performs exactly the scalar operations of legendre_eval, in the
// same order and grouping: IEEE add, subtract, multiply and divide of
// doubles, never a fused multiply-add (every target is built with
// -ffp-contract=off). Lanes never share an intermediate result. So every
// variant, whatever its vector width, gives the bits of the scalar path.
//
// The variants differ only in the instruction set they are compiled for;
// which one runs is chosen at run time from what the processor supports.
#pragma once

namespace zemta::detail {

// Runs newton_root(n, lo[t], hi[t]) for every task t < count and stores the
// result into root[t]. Up to `lanes` tasks run side by side; a lane whose
// task ends takes the next one, so the divider stays busy until the queue
// runs dry. `lanes` is clamped to [1, the kernel's max_lanes].
using NewtonTaskKernel = void (*)(int n, int count, const double* lo,
                                  const double* hi, double* root, int lanes);

// Stores P_n'(x[t]) into dp[t] for every t < count, bit-identical to the
// derivative legendre_eval gives, `lanes` points at a time (clamped as
// above).
using DerivativeKernel = void (*)(int n, int count, const double* x, double* dp,
                                  int lanes);

struct LaneKernel {
  const char* name;
  NewtonTaskKernel newton_tasks;
  DerivativeKernel derivatives;
  int max_lanes;      // the widest batch it can run
  int default_lanes;  // the width it runs at unless told otherwise
};

// The instruction-set variants this build contains.
enum class KernelVariant { portable, avx2, avx512 };

// The kernel of that variant, or nullptr when this build does not contain it
// (non-x86 targets hold only the portable one) or this processor cannot run
// it. The portable kernel always exists.
const LaneKernel* lane_kernel(KernelVariant variant);

// The fastest kernel this processor runs: AVX-512, then AVX2, then portable.
const LaneKernel& best_lane_kernel();

}  // namespace zemta::detail
