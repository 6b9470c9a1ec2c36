// Wide evaluation kernels: many Newton refinements and Legendre derivative
// evaluations side by side in vector registers, each lane bit-identical to
// newton_root and legendre_eval.
//
// A lane performs exactly the scalar operations of legendre_eval, in the
// same order and grouping: IEEE add, subtract, multiply and divide of
// doubles, never a fused multiply-add of the compiler's (every target is
// built with -ffp-contract=off). Lanes never share an intermediate result.
// So every variant, whatever its vector width, gives the bits of the scalar
// path.
//
// The variants differ in the instruction set they are compiled for, and in
// how they divide by the recurrence's degree: with the divider, or, in the
// -fma variants, with a reciprocal, FMAs and an exact check that give the
// divider's quotient in every lane (lane_kernel_quotient.inc). What bounds
// a kernel, the divider or the additions, depends on the processor
// (docs/speed.md, "What bounds the kernels"), so which one runs is chosen
// at run time, by timing those this processor supports.
#pragma once

namespace zemta::detail {

// Runs newton_root(n, lo[t], hi[t]) for every task t < count and stores the
// result into root[t]. Up to `lanes` tasks run side by side; a lane whose
// task ends takes the next one, so the batch stays full until the queue
// runs dry. `lanes` is clamped to [1, the kernel's max_lanes].
using NewtonTaskKernel = void (*)(int n, int count, const double* lo,
                                  const double* hi, double* root, int lanes);

// Stores P_n'(x[t]) into dp[t] for every t < count, bit-identical to the
// derivative legendre_eval gives, `lanes` points at a time (clamped as
// above).
using DerivativeKernel = void (*)(int n, int count, const double* x, double* dp,
                                  int lanes);

// Stores RN(a[t] / degree) into q[t] for every t < count, the quotient the
// kernel's recurrence takes (2 <= degree <= 999), and returns how many of
// its vectors the kernel sent to the divider (always 0 for the variants
// that only divide). For the quotient tests.
using QuotientKernel = int (*)(int degree, int count, const double* a,
                               double* q);

struct LaneKernel {
  const char* name;
  NewtonTaskKernel newton_tasks;
  DerivativeKernel derivatives;
  QuotientKernel quotients;
  int max_lanes;      // the widest batch it can run
  int default_lanes;  // the width it runs at unless told otherwise
};

// The variants a build may contain. The -fma ones exist on x86-64 only
// (not on 32-bit x86, nor elsewhere); the root-batch kernels
// (root_batch.h) have only the first three.
enum class KernelVariant { portable, avx2, avx512, avx2_fma, avx512_fma };
inline constexpr KernelVariant lane_kernel_variants[] = {
    KernelVariant::portable, KernelVariant::avx2, KernelVariant::avx512,
    KernelVariant::avx2_fma, KernelVariant::avx512_fma};

// Whether this processor runs the instructions of that variant, whether or
// not the build contains it: avx2 needs AVX2, avx2_fma AVX2 and FMA,
// avx512 and avx512_fma AVX-512F; portable runs everywhere, and on
// processors other than x86 nothing else does. The one test of the
// processor for every kernel family (this one and root_batch.h's).
bool processor_runs(KernelVariant variant);

// One variant of a kernel family, as the family's table lists it: the
// variants this build contains, in the order the family prefers them, the
// portable one last. The one way every family (these kernels, root_batch.h's
// and the interval lanes) turns a variant into its kernel.
template <class Kernel>
struct KernelOfVariant {
  KernelVariant variant;
  const Kernel* kernel;
};

// The table's kernel of that variant, or nullptr when the table has none or
// this processor cannot run it (processor_runs).
template <class Kernel, int Count>
const Kernel* kernel_of(const KernelOfVariant<Kernel> (&table)[Count],
                        KernelVariant variant) {
  if (!processor_runs(variant)) {
    return nullptr;
  }
  for (const KernelOfVariant<Kernel>& entry : table) {
    if (entry.variant == variant) {
      return entry.kernel;
    }
  }
  return nullptr;
}

// The first kernel of the table this processor runs: the table's last, the
// portable one, where no other runs.
template <class Kernel, int Count>
const Kernel& first_runnable(const KernelOfVariant<Kernel> (&table)[Count]) {
  for (const KernelOfVariant<Kernel>& entry : table) {
    if (processor_runs(entry.variant)) {
      return *entry.kernel;
    }
  }
  return *table[Count - 1].kernel;
}

// The kernel of that variant, or nullptr when this build does not contain it
// or this processor cannot run it (processor_runs). The portable kernel
// always exists.
const LaneKernel* lane_kernel(KernelVariant variant);

// The kernel that runs fastest here: the first call times every kernel this
// processor runs but the portable one (the AVX2 kernel's arithmetic at half
// the width; chosen only where no other runs) on a short evaluation, a few
// microseconds, and keeps the one with the least time per lane-step. Later
// calls return the same one. Every kernel gives the same bits, so the choice
// changes only the time.
const LaneKernel& best_lane_kernel();

}  // namespace zemta::detail
