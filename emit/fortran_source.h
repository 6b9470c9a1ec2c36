#pragma once

#include <cstdio>

#include "emit/text_sink.h"

namespace zemta {

// Writes "generating FORTRAN source code\n" to diag, then to out the same
// quadrature as emit_c_source as a fixed-form FORTRAN FUNCTION GQ<n>(F,A,B)
// in REAL*8 with implicit typing:
//
//         FUNCTION GQ5(F,A,B)
//   C 5-pt Gauss qaudrature
//         IMPLICIT INTEGER*4(I-M),REAL*8(A-H,O-Z)
//         DIMENSION X(3),W(3)
//         DATA X/               <x1>,<x2>,
//        &<x3>/
//         ...
//         RETURN
//         END
//
// Orders 2 and 3 use DATA for named constants (X0; X1, W0, W1) instead of
// the arrays. From order 4 on, each DATA statement's first line holds two
// values (after a fifteen-space lead-in, except for order 4) and every
// continuation line ("&" in column 6) three, so that no line passes column
// 72. Odd orders start the sum with W(1)*F(C) and loop from 2. Indices in
// the text are 1-based: X(I) is abscissas[I-1].
//
// Domain, arguments and result as for emit_c_source.
bool emit_fortran_source(int n, const double* abscissas, const double* weights,
                         TextSink& out, std::FILE* diag);

}  // namespace zemta
