// The correctly rounded rule as text to paste into a program: zemta-rule's
// output. One function per call writes a whole table, in one of the
// formats below, from the nodes and weights the caller computed
// (rule/quadrature/correctly_rounded.h); this file decides every character.
//
// Numbers. Every value is written with the fewest significant digits that
// read back as exactly the same double (the digits of std::to_chars'
// shortest form, computed by shortest_digits.h in integers, the same on
// every platform), laid out here, not by the library:
//  - fixed notation for magnitudes from 1e-4 up to below 1e16, always with
//    a point and at least one digit after it: "1.0", "0.5", "-0.0001",
//    "0.5773502691896257";
//  - otherwise one digit, a point, at least one more digit, "e", and the
//    exponent with no '+' and no leading zeros: "7.0e-6",
//    "1.3567326417362416e-5", "1.0e16".
// That is a literal of type double in every language here (Fortran adds
// the kind suffix "_real64"). With hex (formats whose hex_floats is true)
// every value is a hexadecimal floating literal instead: "0x1.8p1",
// "-0x1.279a74590331cp-1", "0x1p0", "0x0p0", subnormals as
// "0x0.<13 digits>p-1022"; trailing zero hex digits are left out, the
// exponent has no '+'. The same text on every platform: nothing goes
// through printf.
//
// Tables. The full table is the count = family_node_count(family, n)
// nodes in ascending order with their weights; the half table, for the
// symmetric rules (family_is_symmetric), is the half_count(count) =
// (count + 1) / 2 largest ones, those at or above the midpoint m of the
// interval (the non-negative nodes on [-1, 1] and on the whole line). Each
// node of the half table but the middle one of an odd count stands for
// itself and its mirror image 2m - x, both with its weight; the middle
// node (the first of the table) stands for itself alone.
//
// Names. The arrays are named for the family and the order: Gauss-Legendre
// keeps x<n> and w<n>; every other family x_<family><n> and w_<family><n>,
// the family as --rule names it with '-' as '_' (x_lobatto10,
// w_hermite_prob5), and one more '_' before the order after a name that
// ends in a digit (x_chebyshev1_5); Kronrod adds g_kronrod<n>, each node's
// weight in the embedded Gauss-Legendre rule of order n (0 for the nodes
// Kronrod adds). Rust's constants are the same names upper case (X20,
// X_LOBATTO10, G_KRONROD7). JSON has the keys "nodes", "weights" and
// "gauss_weights"; its objects for the other families add "rule" (the
// name), "alpha", "beta" and "scaled" where the family has them, and have
// "interval" only on a finite domain (JSON has no infinity). CSV the columns
// "node,weight" and, for Kronrod, "node,weight,gauss_weight". Every code format
// opens with comment lines that say which rule it is, on which interval (on an
// interval also the ends' exact values, as hex floats, for the ends are rounded
// to doubles before anything else); for the families other than Gauss-Legendre
// also the weight function, alpha and beta where the family takes them, whether
// the weights are scaled, the node count and the degree the rule is exact for;
// how the half table integrates, and that each value is the nearest double.
// Lines end in "\n" alone; the text ends with one.
//
// Fortran. Free-form Fortran 2008 for every table: no line longer than 132
// characters, no statement with more than 255 continuation lines. The
// values fill each line; a table that would need more lines than that is
// declared in private pieces x<n>_1, x<n>_2, ... of at most 255 lines each,
// and x<n> is their concatenation.
//
// C++. A header of C++17: #pragma once, <array>, and the tables as
// "inline constexpr std::array<double, <count>> x<n>" and w<n> in the
// namespace gauss_legendre, usable in constant expressions; the other
// families' in the namespace gauss_<family> ('-' as '_': gauss_lobatto,
// gauss_radau_right). Fortran's module is gauss_legendre_<n>, and
// gauss_<family>_<n> for the others.
#pragma once

#include <array>
#include <cstdio>
#include <string_view>

#include "quadrature/coefficients.h"
#include "rule/quadrature/families.h"

namespace zemta {

enum class RuleFormat {
  csv,
  c,
  cpp,
  numpy,
  julia,
  fortran,
  rust,
  js,
  matlab,
  json,
  c_function
};

struct RuleFormatName {
  std::string_view name;  // as given to --format
  RuleFormat format;
  // Whether the language has hexadecimal floating literals (C, C++17,
  // Julia), a standard reader of them (Python's float.fromhex) or is plain
  // text that C's strtod and Python read back (csv).
  bool hex_floats;
};

// Every format, in the order --help lists them; csv is the default.
// c-function, a C function around the table, is rule/emit/rule_function.h's;
// it is C89, which has no hexadecimal floating literals.
inline constexpr std::array<RuleFormatName, 11> rule_format_names = {{
    {"csv", RuleFormat::csv, true},
    {"c", RuleFormat::c, true},
    {"cpp", RuleFormat::cpp, true},
    {"numpy", RuleFormat::numpy, true},
    {"julia", RuleFormat::julia, true},
    {"fortran", RuleFormat::fortran, false},
    {"rust", RuleFormat::rust, false},
    {"js", RuleFormat::js, false},
    {"matlab", RuleFormat::matlab, false},
    {"json", RuleFormat::json, false},
    {"c-function", RuleFormat::c_function, false},
}};

// The family's texts, its entry's (rule/quadrature/families.h).
// Domain: every RuleFamily.
const RuleFamilyText& rule_family_text(RuleFamily family) noexcept;

// The degree of exactness of the rule of order n, as its entry's
// FamilyExactness says. Domain: n >= 1.
int rule_exactness(RuleFamily family, int n) noexcept;

// The most values an array holds: Kronrod's 2n + 1 at max_order.
inline constexpr int rule_node_capacity = 2 * max_order + 1;

// The rule to write: n nodes in ascending order and their weights, as
// correctly_rounded_rule fills them, on [a, b] (on [-1, 1] unless
// on_interval; a and b are then written in the comments and in JSON).
struct RuleTable {
  int n = 0;  // the order
  const double* nodes = nullptr;
  const double* weights = nullptr;
  bool on_interval = false;
  double a = -1.0;
  double b = 1.0;
  // The family and its parameters (rule/quadrature/families.h); the
  // arrays hold family_node_count(family, n) values, and for kronrod
  // gauss_weights holds each node's weight in the embedded Gauss rule.
  RuleFamily family = RuleFamily::legendre;
  double alpha = 0.0;
  double beta = 0.0;
  bool scaled = false;
  const double* gauss_weights = nullptr;
};

struct RuleLayout {
  RuleFormat format = RuleFormat::csv;
  bool half = false;  // the half table
  bool hex = false;   // hex floats; only where hex_floats is true
};

// The limits of free-form Fortran 2008 that every Fortran table keeps:
// characters a line (comment lines too) and continuation lines a statement.
inline constexpr std::size_t fortran_line_limit = 132;
inline constexpr int fortran_continuation_limit = 255;

// Longest text of one number in either form: a sign, 17 digits, the point
// and "e-308"; or "-0x1." with 13 hex digits and "p-1022".
inline constexpr std::size_t rule_number_capacity = 32;

// Writes one value as described above into text (at least
// rule_number_capacity bytes) and returns its length. Domain: finite
// doubles (infinities and NaN are written "inf" and "nan", which no format
// here accepts; the tables never hold them).
std::size_t format_rule_number(double value, bool hex, char* text) noexcept;

// Writes the table to out in one piece (a single write for any order up to
// 999) and returns whether every write succeeded. Domain: table.n from 1 to
// 999 with the arrays holding family_node_count(family, n) finite values
// (gauss_weights too for kronrod); layout.half only for a symmetric rule;
// layout.hex only for a format whose hex_floats is true (otherwise the
// values are decimal).
// Gathers the text in static buffers, so one call at a time.
bool write_rule(std::FILE* out, const RuleTable& table,
                const RuleLayout& layout) noexcept;

}  // namespace zemta
