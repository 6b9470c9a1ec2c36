#pragma once

#include <cstdio>

#include "emit/text_sink.h"

namespace zemta {

// Writes "generating C source code\n" to diag, then to out a C function
// GQ<n>(F, A, B) that integrates F over [A, B] with the n-point
// Gauss-Legendre rule, in long double (typedef DBL):
//
//   #include <float.h>
//   #include <math.h>
//   typedef long double DBL;
//
//   DBL GQ5(DBL F(DBL),DBL A,DBL B)      /* 5-pt Gauss qaudrature */
//     {
//     static DBL X[3]={        <x0>,<x1>,
//       <x2>};
//     static DBL W[3]={        <w0>,<w1>,
//       <w2>};
//     int i;
//     ...
//     }
//
// Orders 2 and 3 use named constants (X0; X1, W0, W1) instead of the arrays.
// From order 4 on, each array's first line holds two values (after an
// eight-space lead-in, except for order 4) and every further line three;
// odd orders add the middle node once as W[0]*F(C) and loop from index 1.
// Every <value> is format_coefficient's 21-character text.
//
// Domain: 2 <= n <= 999. abscissas and weights hold (n + 1) / 2 entries:
// the non-negative nodes ascending (abscissas[0] == 0 for odd n) and the
// weight of each +/- pair. Nothing is checked; the values are written as
// given.
//
// The text is put into out, so that several texts go through one buffer.
// Returns out.ok() at the end: true when every write to out's stream so far
// succeeded; writing stops at the first failed write. The text out still
// holds is the caller's to flush and check. A failed write to diag is not
// reported.
bool emit_c_source(int n, const double* abscissas, const double* weights,
                   TextSink& out, std::FILE* diag);

}  // namespace zemta
