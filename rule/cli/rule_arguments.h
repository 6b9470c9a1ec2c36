// Reading zemta-rule's command line:
//   zemta-rule N [--format F] [--interval A B] [--half] [--hex]
//   zemta-rule --help
// The order N is a decimal number from min_order to max_order with no sign
// and no leading zero (zemta reads "020" as octal 16; here it is refused
// rather than read either way). The options come in any order, before or
// after N, each at most once; "--format=F" stands for "--format F", and
// "--" ends the options. F is a name from rule_format_names. The two
// arguments after --interval are always its ends A and B, even when they
// start with '-' (so "--interval --help 1" is a bad end, not a request for
// help): each an optional sign and a decimal number as C++'s from_chars
// reads them ("-1", "+0.5", ".5", "2e-3") or a hexadecimal float after
// "0x" ("0x1.8p1", "-0x1p-3"), rounded to the nearest double. An end that
// rounds to infinity, or to 0 from a text that is not 0, is refused, and
// so are ends whose doubles are equal or reversed; the reader keeps the
// user's text of each for the messages. --hex needs a format whose
// hex_floats is true.
#pragma once

#include <string>
#include <string_view>

#include "rule/emit/rule_formats.h"

namespace zemta {

struct RuleArguments {
  bool help = false;  // --help or -h: everything else is ignored
  int order = 0;
  RuleLayout layout;
  bool on_interval = false;
  double a = -1.0;
  double b = 1.0;
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
  //   "interval [3, 1] is reversed: A must be below B"
  //   "interval end '1e-400' underflows: its nearest double is 0 (the
  //    least positive double is 5.0e-324)"
  std::string message;
};

inline constexpr std::size_t quoted_limit = 40;

// argv[0] is the program's name; argc counts it. Never fails otherwise:
// every fault is a reading that is not ok.
RuleArgumentsReading read_rule_arguments(int argc, const char* const* argv);

// The --help text, ending in a line end.
std::string rule_help_text();

}  // namespace zemta
