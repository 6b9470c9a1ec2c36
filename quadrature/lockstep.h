// An earlier fast path, kept for its tests and benchmarks (the program runs
// quadrature/speculative.h): several Legendre evaluations and Newton
// refinements run in lockstep, each lane bit-identical to the scalar
// functions.
//
// One recurrence step is bound by the latency of its division; the divider
// can start a new division long before the last one finishes. Running
// independent evaluations side by side fills those idle cycles, so two lanes
// cost little more than one.
//
// Every lane performs exactly the operations of legendre_eval and
// newton_root, in the same order, on its own data. Lanes never share an
// intermediate result and never regroup one: any change in the order or
// grouping of a lane's operations changes the rounding, and with it the
// roots the program writes. The only values common to all lanes are n and
// the exact integer-to-double conversions of the step index, which are the
// same in every lane by construction.
#pragma once

#include <cstdio>

namespace zemta {

// Lanes used for the root search: its two pieces per gap visit.
inline constexpr int search_lanes = 2;
// Lanes used for the weights: one independent evaluation per root.
inline constexpr int weight_lanes = 8;

// For lanes l < count (1 <= count <= Lanes), stores P_n(x[l]) into p[l] and
// P_n'(x[l]) into dp[l], bit-identical to legendre_eval(n, x[l], ...).
// Entries of p and dp from count on are left untouched.
template <int Lanes>
void legendre_eval_lanes(int n, int count, const double* x, double* p,
                         double* dp);

// For lanes l < count (1 <= count <= Lanes), stores into root[l] exactly
// what newton_root(n, lo[l], hi[l]) returns. A lane that exits stays frozen
// while the others go on. Returns the number of lockstep evaluations, which
// is the largest number of rounds any lane took.
template <int Lanes>
int newton_root_lanes(int n, int count, const double* lo, const double* hi,
                      double* root);

// search_roots with newton_root, its pieces refined Lanes at a time
// (instantiated for 1, 2 and 4 lanes; the program uses search_lanes).
// A visit's pieces are refined ahead of their turn, but their results are
// consumed strictly in piece order with the same failure and duplicate
// tests, so every table entry, every progress line and the return value are
// those of the one-at-a-time search; results of pieces past the one that
// yields a root are discarded. Returns what search_roots returns.
template <int Lanes>
int search_roots_lanes(int n, double* abscissas, int roots_found,
                       std::FILE* diag);
int search_roots_lockstep(int n, double* abscissas, int roots_found,
                          std::FILE* diag);

// compute_coefficients on the lockstep path: the two starting brackets of an
// even order refined together, the search by search_roots_lockstep and the
// weights weight_lanes at a time. Same tables, text and result as
// compute_coefficients_one_at_a_time.
int compute_coefficients_lockstep(int n, double* abscissas, double* weights,
                                  std::FILE* diag);

}  // namespace zemta
