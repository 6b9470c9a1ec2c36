// The engine's passes over the matrix's rows on vector lanes, one point to
// a lane: the certified counts and the weight's sum in double-double
// (fast_count.h), and the candidates' Newton steps, counts in double and
// twist measures (tridiagonal_rule.cpp). Internal to the quadrature
// library.
//
// Every lane performs exactly the IEEE operations the scalar pass does for
// its point alone (the double-double templates on the vector, each
// constant broadcast), and a lane never reads another's values, so each
// lane's answer is the scalar pass's, on every variant: 16-byte vectors
// everywhere (SSE2, NEON, WebAssembly's SIMD or scalar code); on x86-64,
// 32-byte vectors where the processor has AVX2, and with FMA the
// double-double products' exact errors by fused multiply-adds (the same
// values: interval_lanes_body.inc), and 64-byte vectors with those
// products where it has AVX-512F; chosen at run time from what the
// processor reports, as the Legendre rule's root batches are (root_batch.h).
#pragma once

#include <cstddef>

#include "quadrature/lane_kernel.h"
#include "rule/quadrature/fast_count.h"

namespace zemta::detail {

struct IntervalLanes {
  const char* name;
  int lanes;  // points per call
  // counts[i]: the number of T's eigenvalues below z[i] (a point, radius
  // its dyadic's residual), certain, or -1 when undecided or !ok[i].
  void (*counts)(const FastCountMatrix& t, const DdInterval* z, const bool* ok,
                 int* counts);
  // The weight pass's sum over the interval z[i] with twist row r: its
  // interval total[i] times 2^exponent[i], or failed[i] where the pass
  // alone would fail or step over a pivot that may vanish (then the
  // caller runs that pass alone).
  void (*weight_sums)(const FastCountMatrix& t, const DdInterval* z,
                      std::size_t r, DdInterval* total, int* exponent,
                      bool* failed);
  // For 2 * lanes candidates z (only candidates: nothing is certified by
  // it), steps[i] = d_{m-1}(z[i]) / d'_{m-1}(z[i]), the Newton step of
  // the last top-down pivot of the matrix of diagonal a[0..m-1] and
  // squared off-diagonal b2[0..m-2], the pivots in double-double and the
  // derivative in double (a pivot exactly 0 taken as 2^-900).
  void (*newton_steps)(const Dd* a, const Dd* b2, std::size_t m, const Dd* z,
                       Dd* steps);
  // The same in double for 2 * lanes points, and the numbers of negative
  // pivots in double there, each pivot of magnitude below pivot_floor
  // taken as -pivot_floor (only for candidates, as above).
  void (*double_newton_steps)(const double* a, const double* b2, std::size_t m,
                              double pivot_floor, const double* z,
                              double* steps);
  void (*double_counts)(const double* a, const double* b2, std::size_t m,
                        double pivot_floor, const double* z, int* counts);
  // For lanes points z, the twist row's measure at each row j:
  // gammas[i * m + j] = |d_j + delta_j - (a_j - z[i])| by the top-down and
  // bottom-up pivots in double (each of magnitude below pivot_floor taken as
  // -pivot_floor), and |d_{m-1}| at j = m - 1; pivots is room for 2 m lanes
  // doubles.
  void (*twist_gammas)(const double* a, const double* b2, std::size_t m,
                       double pivot_floor, const double* z, double* pivots,
                       double* gammas);
};

inline constexpr int max_interval_lanes = 8;

// The variant's, or nullptr where this build or processor lacks it (only
// portable, avx2, avx2_fma and avx512 exist).
const IntervalLanes* interval_lanes(KernelVariant variant);

// avx512 where the processor runs it, else avx2_fma, else avx2, else
// portable.
const IntervalLanes& best_interval_lanes();

// counts[i] = fast_count(t, points[i]) for i < n <= kernel.lanes, the same
// answers, from one pass with the points side by side.
void fast_counts(const IntervalLanes& kernel, const FastCountMatrix& t,
                 const Dyadic* points, int n, int* counts);

// out[i] = fast_inverse_first_square(t, centre[i], half_width[i], r) for
// i < n <= kernel.lanes, the same balls, from one pass with the points side
// by side (a point whose walk steps over a vanishing pivot, or fails, is
// then passed alone).
void fast_inverse_first_squares(const IntervalLanes& kernel,
                                const FastCountMatrix& t, const Dyadic* centre,
                                const Dyadic* half_width, int n, std::size_t r,
                                Ball* out);

}  // namespace zemta::detail
