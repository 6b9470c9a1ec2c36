// The costly part of the correctly rounded rules computed from a
// recurrence (Gauss-Legendre, and Lobatto, Radau, Hermite and Laguerre in
// families/), on vector lanes: Newton's method in double from starting
// points, then the last two polynomials in double-double at the polished
// roots (correctly_rounded.cpp has the whole method). Internal to the
// quadrature library.
//
// Every lane performs the same IEEE operations as every other, whatever
// the variant: lanes never share an intermediate result, and values common
// to all lanes are computed in scalar code, the same in every variant. So
// every variant gives the same bits (the tests compare them), and the
// variant run is chosen at run time from what the processor supports, as
// for the lane kernels (lane_kernel.h).
#pragma once

#include "common/double_double.h"
#include "quadrature/lane_kernel.h"

namespace zemta::detail {

// Whose roots a batch polishes: P_n's (Gauss-Legendre's nodes), P_n''s
// (the inner nodes of Gauss-Lobatto's rule of order n + 1) or those of P_n
// + P_{n-1} (-1 and the other nodes of Gauss-Radau's rule of order n).
enum class RootTarget { polynomial, derivative, sum_with_previous };

// For count <= lanes roots of the target: polishes start[i] by
// Newton in double into x0[i], then stores P_n(x0[i]) into p[i] and
// P_{n-1}(x0[i]) into q[i], in double-double.
using RootBatch = void (*)(RootTarget target, int n, int count,
                           const double* start, double* x0, Dd* p, Dd* q);

// For count <= lanes roots of Hermite's y_n, y_{k+1} = x y_k - c k y_{k-1}
// from y_0 = 1 and y_1 = x (c = 1/2: H_n / 2^n; c = 1: He_n): polishes
// start[i] by Newton in double into x0[i], then stores y_n(x0[i]) and
// y_{n-1}(x0[i]) times 2^-shift[i] into p[i] and q[i], in double-double
// (the values outgrow the doubles; shift[i] is a multiple of 256).
using HermiteBatch = void (*)(double c, int n, int count, const double* start,
                              double* x0, Dd* p, Dd* q, int* shift);

// The same for Laguerre's monic y_n (weight e^-x): y_{k+1} = (x - (2k +
// 1)) y_k - k^2 y_{k-1} from y_0 = 1 and y_1 = x - 1.
using LaguerreBatch = void (*)(int n, int count, const double* start,
                               double* x0, Dd* p, Dd* q, int* shift);

struct RootBatchKernel {
  const char* name;
  RootBatch refine;
  int lanes;  // roots per call
  HermiteBatch refine_hermite;
  LaguerreBatch refine_laguerre;
};

// The widest batch of any variant.
inline constexpr int max_root_batch = 32;

// The variant's kernel, or nullptr where this build or processor lacks it
// (KernelVariant as for the lane kernels; the portable one always exists).
const RootBatchKernel* root_batch_kernel(KernelVariant variant);

// The fastest this processor runs.
const RootBatchKernel& best_root_batch_kernel();

// correctly_rounded_rule(n, nodes, weights) on that kernel: the same bits
// on every kernel.
int correctly_rounded_rule(const RootBatchKernel& kernel, int n, double* nodes,
                           double* weights);

// The values before their one rounding, for the tests that measure their
// error: the half_count(n) non-negative nodes of the order-n rule,
// ascending, and their weights, in double-double. Nothing outside the
// domain.
void correctly_rounded_rule_dd(const RootBatchKernel& kernel, int n, Dd* nodes,
                               Dd* weights);

}  // namespace zemta::detail
