#include "rule/cli/rule_arguments.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

#include "quadrature/coefficients.h"

namespace zemta {

namespace {

// The argument as the messages quote it, in single quotes.
std::string quoted(std::string_view text) {
  std::string result = "'";
  const bool cut = text.size() > quoted_limit;
  for (const char c : text.substr(0, quoted_limit)) {
    const auto byte = static_cast<unsigned char>(c);
    result += byte < 0x20 || byte == 0x7f ? '?' : c;
  }
  result += cut ? "...'" : "'";
  return result;
}

std::string format_list() {
  std::string list;
  for (std::size_t i = 0; i < rule_format_names.size(); ++i) {
    if (i > 0) {
      list += i + 1 == rule_format_names.size() ? " or " : ", ";
    }
    list += rule_format_names[i].name;
  }
  return list;
}

// "a, b or c" of the names in list.
template <typename Names>
std::string or_list(const Names& names) {
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      list += i + 1 == names.size() ? " or " : ", ";
    }
    list += names[i].name;
  }
  return list;
}

// "a, b, c": the families for which has(family) holds.
template <typename Has>
std::string family_list(Has has) {
  std::string list;
  for (const RuleFamilyName& family : rule_family_names) {
    if (has(family)) {
      list += list.empty() ? "" : ", ";
      list += family.name;
    }
  }
  return list;
}

std::string hex_format_list() {
  std::string list;
  for (const RuleFormatName& format : rule_format_names) {
    if (format.hex_floats) {
      list += list.empty() ? "" : ", ";
      list += format.name;
    }
  }
  return list;
}

// A decimal order with no sign and no leading zero, in range.
bool read_order_text(std::string_view text, int least, int& order) {
  if (text.empty() || text.size() > 3 || text.front() == '0') {
    return false;
  }
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), order);
  return error == std::errc() && end == text.data() + text.size() &&
         order >= least && order <= max_order;
}

// What an interval end's text reads as.
enum class EndReading {
  number,
  not_a_number,
  not_finite,
  overflows,
  underflows
};

// Whether the text (after its sign) has a digit other than 0 before its
// exponent: a value that reads as 0 from such a text has underflowed.
bool has_nonzero_digit(std::string_view digits, bool hex) {
  for (const char c : digits) {
    if (c == (hex ? 'p' : 'e') || c == (hex ? 'P' : 'E')) {
      break;
    }
    if (std::isxdigit(static_cast<unsigned char>(c)) != 0 && c != '0') {
      return true;
    }
  }
  return false;
}

// Whether a number too large or too small for a double is large: the
// sign of its order of magnitude, the place of its first non-zero digit
// against the point plus its exponent (in hex digits and a binary
// exponent), for the reader that says only "out of range" (from_chars).
// The two sides are far apart (beyond 1e308 or below 1e-324), so the
// count, cut off at a billion either way, is never near 0.
[[maybe_unused]] bool magnitude_is_large(std::string_view digits, bool hex) {
  constexpr long long cut = 1'000'000'000;
  long long place = 0;
  bool seen_point = false;
  bool seen_nonzero = false;
  std::size_t i = 0;
  for (; i < digits.size(); ++i) {
    const char c = digits[i];
    if (c == '.') {
      seen_point = true;
      continue;
    }
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0 ||
        (!hex && std::isdigit(static_cast<unsigned char>(c)) == 0)) {
      break;
    }
    if (!seen_nonzero && c != '0') {
      seen_nonzero = true;
    }
    if (seen_nonzero && !seen_point) {
      place = place < cut ? place + 1 : place;
    } else if (!seen_nonzero && seen_point) {
      place = place > -cut ? place - 1 : place;
    }
  }
  long long exponent = 0;
  if (i < digits.size()) {  // 'e' or 'p', a sign, digits
    ++i;
    const bool negative = i < digits.size() && digits[i] == '-';
    i += i < digits.size() && (digits[i] == '-' || digits[i] == '+') ? 1 : 0;
    for (; i < digits.size(); ++i) {
      exponent = exponent < cut ? exponent * 10 + (digits[i] - '0') : exponent;
    }
    exponent = negative ? -exponent : exponent;
  }
  return (hex ? 4 * place : place) + exponent > 0;
}

// An end as a user types it: an optional sign, then a decimal number with
// an optional exponent ("2.5", ".5", "1e-3") or, after "0x", a hexadecimal
// float ("0x1.8p1", "0x1p-3"), the whole text, rounded to the nearest
// double. Both readers below round correctly, so every platform reads the
// same double: from_chars where the library has it for doubles, otherwise
// (the WebAssembly build's libc++) strtod, whose extra syntax (leading
// white space, a second sign, "inf", "nan") the checks here keep out; the
// program never changes the C locale, so the point is '.'. A text whose
// value is beyond the largest double overflows, and one that is not 0 but
// below half the least subnormal underflows; both are refused rather than
// read as infinity or 0.
EndReading read_end(std::string_view text, double& value) {
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    digits.remove_prefix(1);
  }
  const bool hex = digits.size() > 2 && digits[0] == '0' &&
                   (digits[1] == 'x' || digits[1] == 'X');
  if (hex) {
    digits.remove_prefix(2);
  }
  std::string lower;
  for (const char c : digits) {
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (!hex && (lower == "inf" || lower == "infinity" || lower == "nan")) {
    return EndReading::not_finite;
  }
  if (digits.empty() ||
      !((hex ? std::isxdigit(static_cast<unsigned char>(digits[0]))
             : std::isdigit(static_cast<unsigned char>(digits[0]))) != 0 ||
        digits[0] == '.')) {
    return EndReading::not_a_number;
  }
  double magnitude = 0;
#if defined(__cpp_lib_to_chars)
  const char* end = digits.data() + digits.size();
  const auto result = std::from_chars(
      digits.data(), end, magnitude,
      hex ? std::chars_format::hex : std::chars_format::general);
  if (result.ptr != end || (result.ec != std::errc() &&
                            result.ec != std::errc::result_out_of_range)) {
    return EndReading::not_a_number;
  }
  if (result.ec == std::errc::result_out_of_range) {
    return magnitude_is_large(digits, hex) ? EndReading::overflows
                                           : EndReading::underflows;
  }
#else
  const std::string copy = (hex ? "0x" : "") + std::string(digits);
  char* end = nullptr;
  magnitude = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) {
    return EndReading::not_a_number;
  }
#endif
  if (std::isinf(magnitude)) {
    return EndReading::overflows;
  }
  if (magnitude == 0 && has_nonzero_digit(digits, hex)) {
    return EndReading::underflows;
  }
  value = negative ? -magnitude : magnitude;
  return EndReading::number;
}

// The double as the tables write it: its shortest digits.
std::string number_text(double value) {
  char text[rule_number_capacity];
  return {text, format_rule_number(value, false, text)};
}

// Why a number that is not one was refused, after "interval end 'X' ".
std::string end_fault(EndReading reading, bool negative) {
  constexpr double largest = std::numeric_limits<double>::max();
  constexpr double least = std::numeric_limits<double>::denorm_min();
  switch (reading) {
    case EndReading::not_finite:
      return "is not a finite number";
    case EndReading::overflows:
      return std::string("overflows: its nearest double is ") +
             (negative ? "-" : "") + "infinity (the largest finite double is " +
             number_text(largest) + ")";
    case EndReading::underflows:
      return std::string("underflows: its nearest double is ") +
             (negative ? "-" : "") + "0 (the least positive double is " +
             number_text(least) + ")";
    case EndReading::number:
    case EndReading::not_a_number:
      break;
  }
  return "is not a number (a decimal such as -2.5e-3 or a hexadecimal "
         "float such as 0x1.8p1)";
}

}  // namespace

RuleArgumentsReading read_rule_arguments(int argc, const char* const* argv) {
  RuleArgumentsReading reading;
  RuleArguments& got = reading.arguments;
  auto fail = [&reading](std::string message) {
    reading.message = std::move(message);
    return reading;
  };
  // --help wins over everything else, wherever it stands as an option: not
  // as the value of --format or --interval, nor after "--".
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") {
      break;
    }
    if (argument == "--help" || argument == "-h") {
      got.help = true;
      reading.ok = true;
      return reading;
    }
    i += argument == "--interval" ? 2
         : argument == "--format" || argument == "--rule" ||
                 argument == "--alpha" || argument == "--beta"
             ? 1
             : 0;
  }

  bool have_order = false;
  bool have_format = false;
  bool have_rule = false;
  bool have_alpha = false;
  bool have_beta = false;
  bool have_scaled = false;
  bool have_half = false;
  bool have_hex = false;
  bool options_ended = false;
  std::string_view order_text;
  std::string_view a_text;
  std::string_view b_text;
  const RuleFamilyName* family = rule_family_names.data();
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    // "--name=value" stands for "--name value" where the option takes one.
    std::string_view attached;
    bool has_attached = false;
    if (!options_ended && argument.substr(0, 2) == "--") {
      const std::size_t equals = argument.find('=');
      if (equals != std::string_view::npos) {
        attached = argument.substr(equals + 1);
        argument = argument.substr(0, equals);
        has_attached = true;
      }
    }
    const auto repeated = [&argument]() {
      return std::string(argument) + " given twice";
    };
    if (options_ended) {
      // Only the order can follow "--".
    } else if (argument == "--" && !has_attached) {
      options_ended = true;
      continue;
    } else if (argument == "--format") {
      if (have_format) {
        return fail(repeated());
      }
      if (!has_attached && i + 1 >= argc) {
        return fail("--format needs a value: " + format_list());
      }
      const std::string_view name = has_attached ? attached : argv[++i];
      bool known = false;
      for (const RuleFormatName& format : rule_format_names) {
        if (format.name == name) {
          got.layout.format = format.format;
          known = true;
        }
      }
      if (!known) {
        return fail("unknown format " + quoted(name) + " (" + format_list() +
                    ")");
      }
      have_format = true;
      continue;
    } else if (argument == "--rule") {
      if (have_rule) {
        return fail(repeated());
      }
      if (!has_attached && i + 1 >= argc) {
        return fail("--rule needs a value: " + or_list(rule_family_names));
      }
      const std::string_view name = has_attached ? attached : argv[++i];
      family = nullptr;
      for (const RuleFamilyName& known : rule_family_names) {
        family = known.name == name ? &known : family;
      }
      if (family == nullptr) {
        return fail("unknown rule " + quoted(name) + " (" +
                    or_list(rule_family_names) + ")");
      }
      got.family = family->family;
      have_rule = true;
      continue;
    } else if (argument == "--alpha" || argument == "--beta") {
      const bool is_alpha = argument == "--alpha";
      bool& have = is_alpha ? have_alpha : have_beta;
      if (have) {
        return fail(repeated());
      }
      if (!has_attached && i + 1 >= argc) {
        return fail(std::string(argument) + " needs a value above -1");
      }
      // Read as an interval end is, and always the next argument, for
      // "--alpha -0.5" is the usual case.
      const std::string_view text = has_attached ? attached : argv[++i];
      const std::string name = is_alpha ? "alpha " : "beta ";
      double value = 0;
      const EndReading end_reading = read_end(text, value);
      if (end_reading != EndReading::number) {
        return fail(name + quoted(text) + " " +
                    end_fault(end_reading, text.substr(0, 1) == "-"));
      }
      if (!(value > -1)) {
        return fail(name + quoted(text) +
                    " is not above -1 (the weight function would not be "
                    "integrable)");
      }
      (is_alpha ? got.alpha : got.beta) = value;
      have = true;
      continue;
    } else if (argument == "--interval") {
      if (has_attached) {
        return fail(
            "--interval takes its two values as separate arguments: "
            "--interval A B");
      }
      if (got.on_interval) {
        return fail(repeated());
      }
      if (i + 2 >= argc) {
        return fail("--interval needs two values, A and B");
      }
      a_text = argv[++i];
      b_text = argv[++i];
      for (const std::string_view end : {a_text, b_text}) {
        double value = 0;
        const EndReading end_reading = read_end(end, value);
        if (end_reading != EndReading::number) {
          return fail("interval end " + quoted(end) + " " +
                      end_fault(end_reading, end.substr(0, 1) == "-"));
        }
        (end.data() == a_text.data() ? got.a : got.b) = value;
      }
      got.on_interval = true;
      continue;
    } else if (argument == "--half" || argument == "--hex" ||
               argument == "--scaled") {
      if (has_attached) {
        return fail(std::string(argument) + " takes no value");
      }
      bool& have = argument == "--half"  ? have_half
                   : argument == "--hex" ? have_hex
                                         : have_scaled;
      if (have) {
        return fail(repeated());
      }
      (argument == "--half"  ? got.layout.half
       : argument == "--hex" ? got.layout.hex
                             : got.scaled) = have = true;
      continue;
    } else if (argument.size() > 1 && argument.front() == '-') {
      return fail("unknown option " + quoted(argv[i]));
    }
    if (have_order) {
      return fail("unexpected argument " + quoted(argument) +
                  " after the order");
    }
    order_text = argument;
    have_order = true;
  }
  if (!have_order) {
    return fail("no order given (zemta-rule --help shows the usage)");
  }
  // The order is read once the family is known, wherever --rule stands.
  const bool legendre = family->family == RuleFamily::legendre;
  const std::string rule = "the " + std::string(family->name) + " rule";
  const int least = rule_least_order(*family);
  if (!read_order_text(order_text, least, got.order)) {
    return fail("order " + quoted(order_text) +
                " is not a decimal number from " + std::to_string(least) +
                " to " + std::to_string(max_order) +
                (legendre ? "" : " for " + rule));
  }
  if (have_alpha && !family->takes_alpha) {
    return fail(
        "--alpha: " + rule + " takes no alpha (--alpha goes with " +
        family_list([](const RuleFamilyName& f) { return f.takes_alpha; }) +
        ")");
  }
  if (have_beta && !family->takes_beta) {
    return fail(
        "--beta: " + rule + " takes no beta (--beta goes with " +
        family_list([](const RuleFamilyName& f) { return f.takes_beta; }) +
        ")");
  }
  if (got.scaled && !family->scalable) {
    return fail(
        "--scaled: " + rule + " has no scaled weights (--scaled goes with " +
        family_list([](const RuleFamilyName& f) { return f.scalable; }) + ")");
  }
  if (got.on_interval && family->domain != FamilyDomain::finite) {
    return fail("--interval: " + rule + " is on " +
                (family->domain == FamilyDomain::whole_line
                     ? "the whole line"
                     : "the half line [0, infinity)") +
                "; --interval needs a rule on [-1, 1]");
  }
  if (got.on_interval && !(got.a < got.b)) {
    const std::string shown =
        "interval [" + std::string(a_text) + ", " + std::string(b_text) + "]";
    if (got.a == got.b) {
      return fail(shown + " is empty: both ends are the double " +
                  number_text(got.b) + "; A must be below B");
    }
    return fail(shown + " is reversed: A must be below B");
  }
  if (got.layout.half && !family_is_symmetric(request_of(got))) {
    if (family->takes_beta) {
      return fail("--half: " + rule +
                  " is symmetric only when alpha equals beta");
    }
    return fail("--half: " + rule +
                " is not symmetric about its midpoint (--half goes with " +
                family_list([](const RuleFamilyName& f) {
                  return family_is_symmetric({f.family});
                }) +
                ")");
  }
  if (got.layout.hex) {
    for (const RuleFormatName& format : rule_format_names) {
      if (format.format == got.layout.format && !format.hex_floats) {
        return fail("--hex: " + std::string(format.name) +
                    " has no hexadecimal floating literals (--hex goes with " +
                    hex_format_list() + ")");
      }
    }
  }
  reading.ok = true;
  return reading;
}

int rule_least_order(const RuleFamilyName& family) {
  return family.family == RuleFamily::legendre ? min_order : family.min_order;
}

FamilyRequest request_of(const RuleArguments& arguments) {
  FamilyRequest request;
  request.family = arguments.family;
  request.n = arguments.order;
  request.alpha = arguments.alpha;
  request.beta = arguments.beta;
  request.scaled = arguments.scaled;
  request.on_interval = arguments.on_interval;
  request.a = arguments.a;
  request.b = arguments.b;
  return request;
}

std::string rule_help_text() {
  // The format list, "csv (the default), c, ..., matlab or json", wrapped
  // under the description's column.
  const std::string indent(19, ' ');
  std::string formats;
  std::string line = "  --format F       ";
  const std::string list = format_list();
  std::size_t from = 0;
  while (from < list.size()) {
    std::size_t to = list.find(' ', from);
    to = to == std::string::npos ? list.size() : to + 1;
    std::string word = list.substr(from, to - from);
    if (from == 0) {
      word.insert(
          word.find(',') == std::string::npos ? word.size() : word.find(','),
          " (the default)");
    }
    if (line.size() + word.size() > 72) {
      line.pop_back();  // the space after the last word
      formats += line + "\n";
      line = indent;
    }
    line += word;
    from = to;
  }
  formats += line + "\n";

  // One line a family: its name, weight function and interval, the least
  // order where it is not 1, and the options it takes.
  std::string families;
  for (const RuleFamilyName& family : rule_family_names) {
    const RuleFamilyText& text = rule_family_text(family.family);
    std::string entry = "  " + std::string(family.name);
    entry.resize(16, ' ');
    entry += std::string(text.weight) + " on " + std::string(text.interval);
    std::string notes;
    const auto note = [&notes](const std::string& word) {
      notes += (notes.empty() ? "; " : ", ") + word;
    };
    if (rule_least_order(family) != 1) {
      note("N from " + std::to_string(rule_least_order(family)));
    }
    if (!text.help_note.empty()) {
      note(std::string(text.help_note));
    }
    if (family.takes_alpha) {
      note("--alpha");
    }
    if (family.takes_beta) {
      note("--beta");
    }
    if (family.scalable) {
      note("--scaled");
    }
    families += entry + notes + "\n";
  }
  const auto has_scaled = [](const RuleFamilyName& f) { return f.scalable; };
  return "Usage: zemta-rule N [--rule NAME] [--alpha A] [--beta B] "
         "[--scaled]\n"
         "                  [--format F] [--interval A B] [--half] [--hex]\n"
         "\n"
         "Writes the Gauss rule of order N (up to " +
         std::to_string(max_order) +
         ") of the family NAME to\n"
         "standard output, every node and weight the double nearest its\n"
         "exact value.\n"
         "\n"
         "  --rule NAME      the family, with its weight function w(x) and\n"
         "                   interval (below); legendre by default\n"
         "  --alpha A        alpha of w(x), and beta: finite numbers above "
         "-1,\n"
         "  --beta B         written as --interval's ends are; 0 by default\n"
         "  --scaled         each weight divided by w at its node\n"
         "                   (" +
         family_list(has_scaled) + ")\n" + formats +
         "  --interval A B   the rule on [A, B] instead of [-1, 1]; A and B\n"
         "                   are decimal or hexadecimal (0x1.8p1) numbers,\n"
         "                   each rounded to the nearest double first\n"
         "  --half           only the nodes at or above the midpoint, with\n"
         "                   their weights (for the symmetric rules)\n"
         "  --hex            hexadecimal floats (" +
         hex_format_list() +
         ")\n"
         "  --help           this text\n"
         "  --               ends the options (--format=F also works)\n"
         "\n"
         "Families (NAME, w(x) on its interval; N from 1 unless said):\n" +
         families +
         "\n"
         "Exit status: 0 written, 1 bad arguments (one line on standard\n"
         "error, nothing on standard output), 2 standard output could not\n"
         "be written. A rule on an interval too narrow to tell its nodes\n"
         "apart in doubles is written with a warning on standard error.\n"
         "See man zemta-rule.\n";
}

}  // namespace zemta
