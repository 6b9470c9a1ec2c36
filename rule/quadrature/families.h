// The Gauss rules zemta-rule gives, each a family of rules by order: the
// one list of them, and the one entry point that computes any of them with
// every node and weight the nearest double. --help, the manual page, the
// page's menu, the CMake function's check and the lock's cases are all
// made from its list, ZEMTA_RULE_FAMILIES (cmake/zemta_rule_families.cmake
// and web/texts.js read its lines).
//
// A family is a weight function w on an interval; its rule of order n is
// the n nodes x_i and weights w_i with sum w_i f(x_i) = integral of f w for
// every polynomial f of degree below the rule's exactness. On --interval
// [a, b] a family on [-1, 1] is mapped affinely: nodes (a+b)/2 + (b-a)/2 x_i
// and weights (b-a)/2 w_i, so that it integrates f(t) w(x(t)) over [a, b].
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zemta {

// Every family, in the order --help lists them; legendre is the default.
// One line each: the family's identifier (its value in RuleFamily), its
// computation (family_rule_<computation>, defined in its own file in
// rule/quadrature/families/, which kin families share), then its entry. A
// new family is that file and its line here; cmake/ and web/texts.js read
// the lines (up to min_order).
// clang-format off
#define ZEMTA_RULE_FAMILIES(FAMILY) \
    FAMILY(legendre, legendre, {"legendre", RuleFamily::legendre, FamilyDomain::finite, false, false, false, 2, FamilyExactness::gauss, FamilySymmetry::always, {"Gauss-Legendre", "1", "[-1, 1]", "", "the default", "", "", "", ""}}) \
    FAMILY(lobatto, lobatto_radau, {"lobatto", RuleFamily::lobatto, FamilyDomain::finite, false, false, false, 2, FamilyExactness::lobatto, FamilySymmetry::always, {"Gauss-Lobatto", "1", "[-1, 1]", "both ends among them", "nodes -1 and 1", "", "", "", ""}}) \
    FAMILY(radau, lobatto_radau, {"radau", RuleFamily::radau, FamilyDomain::finite, false, false, false, 1, FamilyExactness::radau, FamilySymmetry::never, {"Gauss-Radau", "1", "[-1, 1]", "the left end among them", "node -1", "Gauss-Radau (left end fixed)", "", "", ""}}) \
    FAMILY(radau_right, lobatto_radau, {"radau-right", RuleFamily::radau_right, FamilyDomain::finite, false, false, false, 1, FamilyExactness::radau, FamilySymmetry::never, {"Gauss-Radau", "1", "[-1, 1]", "the right end among them", "node 1", "Gauss-Radau (right end fixed)", "", "", ""}}) \
    FAMILY(kronrod, kronrod, {"kronrod", RuleFamily::kronrod, FamilyDomain::finite, false, false, false, 1, FamilyExactness::kronrod, FamilySymmetry::always, {"Gauss-Kronrod", "1", "[-1, 1]", "", "2N+1 nodes", "", "", "", ""}}) \
    FAMILY(chebyshev1, chebyshev, {"chebyshev1", RuleFamily::chebyshev1, FamilyDomain::finite, false, false, false, 1, FamilyExactness::gauss, FamilySymmetry::always, {"Gauss-Chebyshev (first kind)", "1/sqrt(1 - x^2)", "[-1, 1]", "", "", "", "1/sqrt(1 - x^2)", "", ""}}) \
    FAMILY(chebyshev2, chebyshev, {"chebyshev2", RuleFamily::chebyshev2, FamilyDomain::finite, false, false, false, 1, FamilyExactness::gauss, FamilySymmetry::always, {"Gauss-Chebyshev (second kind)", "sqrt(1 - x^2)", "[-1, 1]", "", "", "", "sqrt(1 - x^2)", "", ""}}) \
    FAMILY(hermite, hermite, {"hermite", RuleFamily::hermite, FamilyDomain::whole_line, false, false, true, 1, FamilyExactness::gauss, FamilySymmetry::always, {"Gauss-Hermite", "exp(-x^2)", "(-infinity, infinity)", "", "", "", "exp(-x^2)", "", "exp(x^2)"}}) \
    FAMILY(hermite_prob, hermite, {"hermite-prob", RuleFamily::hermite_prob, FamilyDomain::whole_line, false, false, true, 1, FamilyExactness::gauss, FamilySymmetry::always, {"Gauss-Hermite (probabilists')", "exp(-x^2/2)", "(-infinity, infinity)", "", "", "", "exp(-x^2/2)", "", "exp(x^2/2)"}}) \
    FAMILY(laguerre, laguerre, {"laguerre", RuleFamily::laguerre, FamilyDomain::half_line, true, false, true, 1, FamilyExactness::gauss, FamilySymmetry::never, {"Gauss-Laguerre", "x^alpha exp(-x)", "[0, infinity)", "", "", "", "x^alpha*exp(-x)", "x^alpha", "exp(x)"}}) \
    FAMILY(jacobi, jacobi, {"jacobi", RuleFamily::jacobi, FamilyDomain::finite, true, true, false, 1, FamilyExactness::gauss, FamilySymmetry::equal_parameters, {"Gauss-Jacobi", "(1 - x)^alpha (1 + x)^beta", "[-1, 1]", "", "", "", "(1 - x)^alpha*(1 + x)^beta", "", ""}}) \
// (the list ends above)
  // clang-format on

#define ZEMTA_RULE_FAMILY_VALUE(id, computation, ...) id,
enum class RuleFamily { ZEMTA_RULE_FAMILIES(ZEMTA_RULE_FAMILY_VALUE) };
#undef ZEMTA_RULE_FAMILY_VALUE

// Where the family's weight lives: [-1, 1] (so --interval maps it), [0,
// infinity) or the whole line.
enum class FamilyDomain { finite, half_line, whole_line };

// The highest degree d such that the rule of order n integrates f w
// exactly for every polynomial f of degree d: gauss 2n - 1, one less for
// each fixed end (lobatto 2n - 3, radau 2n - 2), and kronrod 3n + 1, or
// 3n + 2 for odd n, whose symmetry makes the next, odd, degree exact too.
enum class FamilyExactness { gauss, lobatto, radau, kronrod };

// Which of a family's rules are symmetric about the middle of the
// interval: all, none, or those with alpha == beta.
enum class FamilySymmetry { always, never, equal_parameters };

// What the comments and --help say of a family: its name in the comments
// ("Gauss-Lobatto"), its weight function w(x) and interval as text, and
// what its nodes hold beyond the plain Gauss rule's ("" for none), and
// what --help notes of it beside its options ("" for nothing). Then what
// the c-function format's comment says: the family's name there ("" for
// the title), w(x) as a C expression ("" for 1) and, for a scalable
// family, w(x) without the exponential the weights are scaled by ("" for
// 1) and that factor. A leading "x^alpha" factor is left out where alpha
// is 0.
struct RuleFamilyText {
  std::string_view title;
  std::string_view weight;
  std::string_view interval;
  std::string_view nodes;
  std::string_view help_note;
  std::string_view function_title;
  std::string_view function_weight;
  std::string_view scaled_weight;
  std::string_view scaled_factor;
};

struct RuleFamilyName {
  std::string_view name;  // as given to --rule
  RuleFamily family;
  FamilyDomain domain;
  bool takes_alpha;  // --alpha
  bool takes_beta;   // --beta
  bool scalable;     // --scaled: the weights times 1 / the weight function
  int min_order;     // the least N the family's rule exists for
  FamilyExactness exactness;
  FamilySymmetry symmetry;
  RuleFamilyText text;
};

#define ZEMTA_RULE_FAMILY_ENTRY(id, computation, ...) \
  RuleFamilyName __VA_ARGS__,
inline constexpr auto rule_family_names = std::to_array<RuleFamilyName>(
    {ZEMTA_RULE_FAMILIES(ZEMTA_RULE_FAMILY_ENTRY)});
#undef ZEMTA_RULE_FAMILY_ENTRY

// The list holds the families in the enumeration's order, so that a family's
// entry is found by its value.
inline constexpr bool family_names_follow_the_enumeration() {
  for (std::size_t i = 0; i < rule_family_names.size(); ++i) {
    if (static_cast<std::size_t>(rule_family_names[i].family) != i) {
      return false;
    }
  }
  return true;
}
static_assert(family_names_follow_the_enumeration());

inline constexpr const RuleFamilyName& family_entry(RuleFamily family) {
  return rule_family_names[static_cast<std::size_t>(family)];
}

// What to compute. alpha and beta are finite and above -1 where the family
// takes them (and 0 otherwise); scaled only where the family is scalable;
// on_interval only for a finite domain, with finite a < b.
struct FamilyRequest {
  RuleFamily family = RuleFamily::legendre;
  int n = 0;
  double alpha = 0.0;
  double beta = 0.0;
  bool scaled = false;
  bool on_interval = false;
  double a = -1.0;
  double b = 1.0;
};

// The number of nodes of the rule of order n: 2n + 1 for kronrod (n is the
// order of its Gauss rule), n otherwise.
int family_node_count(RuleFamily family, int n);

// Whether the rule is symmetric about the middle of its interval, so that
// the half table describes it: legendre, lobatto, kronrod, the Chebyshev
// and Hermite kinds, and jacobi with alpha == beta.
bool family_is_symmetric(const FamilyRequest& request);

// Fills nodes[0..count-1] in ascending order, weights[i] with the weight of
// nodes[i], and for kronrod gauss_weights[i] with its weight in the
// embedded Gauss rule (0 for the nodes it adds; gauss_weights may be null
// for the other families), count = family_node_count(family, n). Every
// value the nearest double to the exact one, ties to even, subnormals
// included; fixed nodes exactly -1 or 1 (a and b on an interval). Returns
// count, or 0 outside the domain (1 <= n - or min_order - up to max_order,
// the request as above; the arrays are then untouched), and 0 when a weight
// lies past DBL_MAX's rounding boundary (chebyshev1 of order 3 on
// [-DBL_MAX, DBL_MAX], laguerre with alpha in the hundreds: the arrays are
// then unspecified). Laguerre at alpha other than 0, jacobi at most
// parameters and kronrod are computed by the tridiagonal engine
// (tridiagonal_rule.h), which allocates, and so are the other families
// wherever their own faster paths (legendre's, the Chebyshev kinds' closed
// forms, the recurrences of lobatto, radau, the Hermite kinds and laguerre
// at alpha = 0) leave a value undecided.
int family_rule(const FamilyRequest& request, double* nodes, double* weights,
                double* gauss_weights);

}  // namespace zemta
