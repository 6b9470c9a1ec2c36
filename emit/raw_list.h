#pragma once

#include <cstdio>

#include "emit/text_sink.h"

namespace zemta {

// Writes "generating list of raw coefficients\n" to diag, then to out the
// whole n-point rule (both halves) mapped onto [0, 1] as two C array
// initialisers, nodes ascending and their weights:
//
//   <empty line>
//   DBL A5[5]={             <a0>,<a1>,
//     <a2>,<a3>,<a4>};
//   <empty line>
//   DBL W5[5]={             <w0>,<w1>,
//     <w2>,<w3>,<w4>};
//   <empty line>
//
// Each header, counted with the newline before it, is padded with spaces to
// 25 characters (none when it is longer), so the first value starts in
// column 25. A new line indented by two spaces comes before every position
// j with j % 3 == 2. Every <value> is format_coefficient's text.
//
// Values, computed in double exactly so: a node x of the rule on [-1, 1]
// becomes (1 - x) / 2 on the left half, (x + 1) / 2 on the right half, and
// for odd n the middle node is exactly 0.5; every weight is halved (w / 2),
// so the written weights sum to 1.
//
// Domain, arguments and result as for emit_c_source.
bool emit_raw_list(int n, const double* abscissas, const double* weights,
                   TextSink& out, std::FILE* diag);

}  // namespace zemta
