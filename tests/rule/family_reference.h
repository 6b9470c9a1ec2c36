// The Gauss families computed again with MPFR, by a method of their own, as
// the truth family_rule is held to: the nodes by Newton's method on the
// classical orthogonal polynomials, evaluated by their three-term
// recurrences (Jacobi P_n^(a,b), Hermite H_n and He_n, Laguerre L_n^(a)),
// and the weights by the classical closed formulas in P_{n-1}(x_i).
//
//   jacobi        roots of P_n^(a,b)
//   lobatto       -1, 1 and the roots of P'_{N-1} = c P_{N-2}^(1,1); the
//                 interior weights are the Gauss-Jacobi(1, 1) ones over
//                 (1 - x^2), the ends 2 / (N (N - 1))
//   radau         -1 and the roots of (P_{N-1} + P_N)/(1 + x) =
//                 c P_{N-1}^(0,1); interior weights Gauss-Jacobi(0, 1) over
//                 (1 + x), the end 2 / N^2
//   radau-right   the mirror image of radau
//   chebyshev1/2  their closed forms: cos((2i - 1) pi / 2n), pi / n and
//                 cos(i pi / (n + 1)), pi / (n + 1) sin^2(i pi / (n + 1))
//   legendre      jacobi at (0, 0)
//
// Every root is proved, not just found: the start of each Newton search
// comes from bisection on the Sturm count of the recurrence in doubles,
// and after the search p_n must change sign across [x - d, x + d], d =
// |x| 2^-(bits - 20), with those brackets disjoint; n disjoint brackets with
// a sign change each hold all n roots. A rule whose proof fails is marked
// unproved rather than returned as truth.
//
// Kronrod is not here: its rule is not a family of classical polynomials.
#pragma once

#include <mpfr.h>

#include "support/mpfr_value.h"

#include <string>
#include <vector>

#include "rule/quadrature/families.h"

namespace zemta::testing {

// The working precision of the reference, and the one a value is
// recomputed at when it lies too close to a midpoint between doubles.
inline constexpr mpfr_prec_t reference_bits = 256;
inline constexpr mpfr_prec_t recheck_bits = 4 * reference_bits;

class BigFloat : public MpfrValue {
 public:
  explicit BigFloat(mpfr_prec_t bits = reference_bits) : MpfrValue(bits) {}
};

// One node or weight of the reference rule, within relative_error |value|
// of the exact value: 2^-(bits - 40) for a value computed from the
// recurrence (its proof bracket is 2^20 times narrower), more where a
// formula magnifies a node's error (e^(x^2) on a scaled weight, a node
// mapped onto an interval where it cancels), and 0 for an exact value (a
// fixed end, the middle node 0, their images on an interval).
struct ReferenceValue {
  BigFloat value;
  double relative_error = 0.0;
};

struct ReferenceRule {
  std::vector<ReferenceValue> nodes;  // ascending
  std::vector<ReferenceValue> weights;
  bool proved = false;  // every root found and bracketed, as above
};

// The rule the request names, at bits of precision; nodes and weights
// empty for a family not covered here (kronrod) or an order outside
// min_order..max_order. Sets MPFR's exponent range to its widest: the
// monic polynomials reach 10^1600 at order 999 and weights e^-4000.
ReferenceRule reference_rule(const FamilyRequest& request, mpfr_prec_t bits);

// The double nearest v, ties to even, subnormals included (0 at or below
// half the least subnormal, signed as v). certain, when not null: false if
// v lies within relative_error |v| of a midpoint between doubles, so that
// the exact value might round the other way; an exact value
// (relative_error 0) is always certain, a tie included.
double nearest_double(mpfr_srcptr v, double relative_error, bool* certain);

// The doubles the request's rule must be: each value rounded from the
// reference at reference_bits, or at recheck_bits where that rounding is
// not certain. undecided counts the values still not certain there, and
// problem says what went wrong, empty if nothing did.
struct ExpectedRule {
  std::vector<double> nodes;
  std::vector<double> weights;
  int undecided = 0;
  std::string problem;
};

// reference, when not null, receives the rule at reference_bits.
ExpectedRule expected_rule(const FamilyRequest& request,
                           ReferenceRule* reference = nullptr);

// The family's name as --rule spells it.
std::string family_name(RuleFamily family);

}  // namespace zemta::testing
