// Build-time guarantees the numerics rely on.
//
// Every root and weight is reproducible bit for bit only when each operation
// is one IEEE-754 double operation rounded to nearest, evaluated in double and
// nowhere wider. Refuse to build where that cannot hold: a non-IEEE double, or
// an evaluation method that keeps intermediates in a wider format (x87 on
// 32-bit x86 without SSE2 reports FLT_EVAL_METHOD == 2).
#pragma once

#include <cfloat>
#include <limits>

static_assert(std::numeric_limits<double>::is_iec559,
              "the coefficients are defined in IEEE-754 double arithmetic");
static_assert(std::numeric_limits<double>::digits == 53);

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error \
    "double expressions must be evaluated in double (FLT_EVAL_METHOD == 0); on x86 build with SSE2"
#endif
