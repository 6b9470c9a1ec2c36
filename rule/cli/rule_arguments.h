// Reading zemta-rule's command line:
//   zemta-rule N [--rule NAME] [--alpha A] [--beta B] [--scaled]
//                [--format F] [--interval A B] [--half] [--hex]
//   zemta-rule --help
// NAME is a family from rule_family_names (rule/quadrature/families.h),
// legendre when not given. The order N is a decimal number from the
// family's rule_least_order to max_order with no sign and no leading zero
// (zemta reads "020" as octal 16; here it is refused rather than read
// either way); for kronrod it is the order of the embedded Gauss rule. The
// options come in any order, before or after N, each at most once;
// "--format=F" stands for "--format F" (and so for --rule, --alpha and
// --beta), and "--" ends the options. F is a name from rule_format_names.
// --alpha and --beta are read as the interval's ends are (below), always
// from the next argument, and must be above -1; --alpha only for a family
// that takes_alpha, --beta one that takes_beta (0 when not given);
// --scaled only for a scalable family; --interval only for a family on
// [-1, 1]; --half only for a symmetric rule (family_is_symmetric: jacobi
// with alpha == beta). The
// faults of an argument itself (an unknown name, a bad number, an option
// given twice) are told as the arguments come; the order is read after
// them, so its range is the family's wherever --rule stands, and then the
// options the family does not take are told. The two arguments after
// --interval are always its ends A and B, even when they start with '-'
// (so "--interval --help 1" is a bad end, not a request for help): each an
// optional sign and a decimal number as C++'s from_chars reads them ("-1",
// "+0.5", ".5", "2e-3") or a hexadecimal float after "0x" ("0x1.8p1",
// "-0x1p-3"), rounded to the nearest double. An end that rounds to infinity, or
// to 0 from a text that is not 0, is refused, and so are ends whose doubles are
// equal or reversed; the reader keeps the user's text of each for the messages.
// --hex needs a format whose hex_floats is true.
#pragma once

#include <string>
#include <string_view>

#include "rule/emit/rule_formats.h"
#include "rule/quadrature/families.h"

namespace zemta {

struct RuleArguments {
  bool help = false;  // --help or -h: everything else is ignored
  int order = 0;
  RuleLayout layout;
  bool on_interval = false;
  double a = -1.0;
  double b = 1.0;
  RuleFamily family = RuleFamily::legendre;
  double alpha = 0.0;
  double beta = 0.0;
  bool scaled = false;
};

struct RuleArgumentsReading {
  bool ok = false;
  RuleArguments arguments;
  // When not ok: one line, no line end, naming the fault and quoting the
  // argument at fault (control characters shown as '?', cut after
  // quoted_limit characters with "..."), e.g.
  //   "unknown format 'pyhton' (csv, c, numpy, julia, fortran, rust, js,
  //    matlab or json)"
  //   "order '1000' is not a decimal number from 2 to 999"
  //   "order '0' is not a decimal number from 1 to 999 for the radau rule"
  //   "--interval: the hermite rule is on the whole line; --interval
  //    needs a rule on [-1, 1]"
  //   "interval [3, 1] is reversed: A must be below B"
  //   "interval end '1e-400' underflows: its nearest double is 0 (the
  //    least positive double is 5.0e-324)"
  std::string message;
};

inline constexpr std::size_t quoted_limit = 40;

// argv[0] is the program's name; argc counts it. Never fails otherwise:
// every fault is a reading that is not ok.
RuleArgumentsReading read_rule_arguments(int argc, const char* const* argv);

// The least order the command takes for a family: its min_order, but
// zemta's min_order (2) for legendre, the range it has always had.
int rule_least_order(const RuleFamilyName& family);

// What the arguments ask family_rule for.
FamilyRequest request_of(const RuleArguments& arguments);

// The --help text, ending in a line end.
std::string rule_help_text();

}  // namespace zemta
