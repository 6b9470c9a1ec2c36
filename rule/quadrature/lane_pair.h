// Two computations side by side in the lanes of a 16-byte vector, for the
// engine's passes over the matrix's rows (fast_count.cpp,
// tridiagonal_rule.cpp). Each pass is one long chain of dependent
// operations (in double-double or double), so it is bound by the
// operations' latency: two chains in two lanes cost about what one did.
// Internal to the quadrature library.
//
// Every lane performs exactly the IEEE operations a double would (the
// double-double templates of common/double_double.h on the vector, each
// constant broadcast), and a lane never reads another's values, so each
// lane computes what the scalar code would alone, on every platform (SSE2,
// NEON, WebAssembly's SIMD, or the compiler's lowering to scalars).
#pragma once

#include <cstdint>

#include "common/double_double.h"

namespace zemta::detail {

using Pair = double __attribute__((vector_size(16)));
// A lane's comparison: -1 (every bit set) for true, 0 for false.
using PairMask = std::int64_t __attribute__((vector_size(16)));
using DdPair = DoubleDouble<Pair>;

inline Pair broadcast(double v) { return Pair{v, v}; }

inline DdPair broadcast(const Dd& v) {
  return {broadcast(v.hi), broadcast(v.lo)};
}

// |v| lane by lane, exactly (the sign bit cleared).
inline Pair pair_abs(Pair v) {
  return reinterpret_cast<Pair>(reinterpret_cast<PairMask>(v) &
                                (PairMask{} + INT64_MAX));
}

// Lane by lane: if_true where mask is set, else if_false.
inline Pair pair_select(PairMask mask, Pair if_true, Pair if_false) {
  return reinterpret_cast<Pair>((reinterpret_cast<PairMask>(if_true) & mask) |
                                (reinterpret_cast<PairMask>(if_false) & ~mask));
}

}  // namespace zemta::detail
