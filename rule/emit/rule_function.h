// The correctly rounded rule as a C function ready to call: the text of
// --format c-function. It is C89 (and so also C99, C11 and C++): block
// comments, declarations before statements, decimal values only (hex
// floating literals came with C99, so --hex does not go with this
// format), no header needed. The values are written as format_rule_number
// writes them in decimal, each the double nearest the exact one.
//
// Every family (rule/quadrature/families.h) but kronrod gives
//   double gauss_<family><n>(double (*f)(double))
// with the family's '-' written '_' and a '_' before n when the name ends
// in a digit: gauss_legendre5, gauss_radau_right5, gauss_chebyshev1_5. It
// returns the sum of w[i]*f(x[i]) over the rule's static const tables x
// and w: about the integral of f times the family's weight function over
// its interval (on --interval [a, b] the nodes and weights are already
// mapped there), exactly that integral for every polynomial f up to the
// rule's degree of exactness but for the roundings of the sum. With
// scaled (hermite, hermite-prob, laguerre) the weights hold the weight
// function's inverse at their nodes, so the function approximates the
// integral of f alone (of x^alpha f(x) for laguerre).
//
// Kronrod gives
//   double kronrod<n>(double (*f)(double), double* error)
// over the 2n + 1 nodes with the Kronrod weights wk and the embedded Gauss
// rule's weights wg (0 for the nodes Kronrod's rule adds): it returns the
// Kronrod sum K and, when error is not a null pointer, stores |K - G|
// through it, G the Gauss sum of the same values of f.
//
// With half the tables are the half table of rule_formats.h (the nodes at
// or above the midpoint m) and each node but the middle one counts with
// its mirror image: f(x[i]) + f(-x[i]) on [-1, 1], where the mirror is
// exact, and f(x[i]) + f(m - (x[i] - m)) on an interval, a mirror computed
// in double (m = a/2 + b/2 in double), which the comment says: such an
// image is off its node's nearest double by up to about an ulp of x[i],
// many ulps of a small image. The full table holds every node rounded.
//
// The opening comment names the rule, its weight function and interval,
// the parameters, the order, the degree of exactness, how the function
// sums and that each value is the nearest double.
#pragma once

#include "emit/text_sink.h"
#include "rule/emit/rule_formats.h"

namespace zemta {

// Writes the function for table to sink. Domain: as write_rule's, with
// table.family's parameters as families.h requires them (alpha, beta,
// scaled only where the family takes them; on_interval only on a finite
// domain; kronrod's gauss_weights present) and half only for a symmetric
// rule (family_is_symmetric).
void write_rule_function(TextSink& sink, const RuleTable& table, bool half);

}  // namespace zemta
