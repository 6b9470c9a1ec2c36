// The Jacobi-Kronrod matrix of Gauss-Legendre order n, in balls: the
// matrix of order 2n + 1 whose eigenvalues are the 2n + 1 nodes of the
// Gauss-Kronrod rule (ascending, the n Gauss-Legendre nodes at the odd
// positions 1, 3, ..., 2n - 1) and whose weights mu0 u_1^2 (u the unit
// eigenvector) are the Kronrod weights. The engine (tridiagonal_rule.h)
// certifies them. Internal to the quadrature library.
//
// Built by Laurie's algorithm (kronrod_recurrence.h) from Legendre's
// beta_k = k^2 / (4k^2 - 1), each an exact quotient of integers rounded
// into a ball, and mu0 = 2; rational operations only. The diagonal is
// exactly 0: the weight is symmetric, and so is its Kronrod rule.
//
// Cost: the balls' radii grow far faster than the algorithm's true errors,
// so it works about 2.5 n bits above the bits asked (kronrod_matrix.cpp):
// about n^2 / 2 ball operations on midpoints of up to 2700 bits, 0.8 s of
// CPU at n = 999 (on an idle core), 5 ms at n = 100. Allocates.
#pragma once

#include "rule/quadrature/tridiagonal_rule.h"

namespace zemta::detail {

// The orders the matrix is made for: those of zemta-rule's Gauss rules.
inline constexpr int kronrod_min_order = 1;
inline constexpr int kronrod_max_order = 999;

// For kronrod_min_order <= n <= kronrod_max_order, fills *out: a with 2n + 1
// exact zeros, b2 with the 2n squares of the off-diagonal (b2[k] joins
// rows k and k + 1), each a ball enclosing the exact value with a radius
// of about 2^-bits relative, every one certainly above 0, and mu0 = 2
// exactly. Returns false, with *out unspecified, when at these bits a
// divisor's ball holds 0 or a square's ball is not certainly positive
// (more bits then decide it; the squares of Legendre's Kronrod matrices
// are all positive, the rules having real nodes inside (-1, 1) for every
// n), or for n outside the orders.
bool kronrod_matrix(int n, int bits, JacobiMatrix* out);

// kronrod_matrix as the engine's JacobiMatrixMaker: context points to the
// int n.
bool make_kronrod_matrix(const void* context, int bits, JacobiMatrix* out);

}  // namespace zemta::detail
