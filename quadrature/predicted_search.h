// The program's path: the root search run speculatively, every result
// verified bit for bit before it is used.
//
// In the search every gap visit starts from the root the visit before it
// found, so refined one after another the visits wait on each other's
// divisions. Here every visit's first pieces are first refined at once, on
// wide lanes, from a predicted previous root; then the visits are walked in
// order as the one-at-a-time search makes them. A visit's precomputed
// results are used only when the lower end, the upper end and the piece
// count it was built on equal, bit for bit, those the walk holds; its
// pieces, and so their results, are then exactly those the walk would cut
// and refine (the argument is written at GapPieces, quadrature/
// coefficients.h). The walk decides (failure, duplicate test against the
// whole held table, insertion) with the real insert_root, in piece order.
// Any other visit is refined from the true state: its first pieces side by
// side on the lane kernel, any further ones by newton_root. So the tables,
// the progress text and the result never depend on the predictor: a poor
// one only costs time.
#pragma once

#include <cstdio>

#include "quadrature/lane_kernel.h"

namespace zemta {

// Approximates the count = half_count(n) non-negative roots of P_n,
// ascending, into approx[0 .. count). Any values will do; close ones make
// the speculation hit.
using RootPredictor = void (*)(int n, int count, double* approx);

// Tricomi's asymptotic form of the roots,
//   x_k = (1 - 1/(8 n^2) + 1/(8 n^3)) cos(pi (4k - 1) / (4n + 2)),
// k = 1 for the largest; within about 1e-10 of the roots for the orders
// the program searches (error O(n^-4)).
void predict_roots_asymptotic(int n, int count, double* approx);

// What one search did beyond its result: for measuring the predictor.
struct SpeculationCount {
  int visits = 0;  // gap visits of the walk
  int hits = 0;    // visits that used their precomputed pieces
};

// search_roots with newton_root on abscissas[0 .. roots_found). When the
// search starts from the two starting roots, every visit is refined ahead
// from the predictions and its results used only where verified.
// Same table, progress text and result as search_roots, for any start.
int search_roots_speculative(int n, double* abscissas, int roots_found,
                             std::FILE* diag, const LaneKernel& kernel,
                             RootPredictor predict,
                             SpeculationCount* count = nullptr);

// compute_coefficients on this path, with the given kernel and predictor:
// the starting roots and the polished predictions refined together, the
// search by search_roots_speculative, the weights on wide lanes. Same
// tables, text and result as compute_coefficients_one_at_a_time.
int compute_coefficients_speculative(int n, double* abscissas, double* weights,
                                     std::FILE* diag, const LaneKernel& kernel,
                                     RootPredictor predict,
                                     SpeculationCount* count = nullptr);

}  // namespace zemta
