#include "cli/rule_arguments.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
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
bool read_order_text(std::string_view text, int& order) {
  if (text.empty() || text.size() > 3 || text.front() == '0') {
    return false;
  }
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), order);
  return error == std::errc() && end == text.data() + text.size() &&
         order_in_range(order);
}

// A finite number, decimal or (after "0x") hexadecimal, the whole text.
// Both readers below round correctly, so every platform reads the same
// double: from_chars where the library has it for doubles, otherwise (the
// WebAssembly build's libc++) strtod, whose extra syntax (leading white
// space, a second sign, "inf", "nan") the checks here keep out; the program
// never changes the C locale, so the point is '.'.
bool read_end(std::string_view text, double& value) {
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (negative) {
    digits.remove_prefix(1);
  }
  const bool hex = digits.size() > 2 && digits[0] == '0' &&
                   (digits[1] == 'x' || digits[1] == 'X');
  const std::size_t first = hex ? 2 : 0;
  if (digits.size() <= first ||
      !((hex ? std::isxdigit(static_cast<unsigned char>(digits[first]))
             : std::isdigit(static_cast<unsigned char>(digits[first]))) != 0 ||
        digits[first] == '.')) {
    return false;
  }
  double magnitude = 0;
#if defined(__cpp_lib_to_chars)
  const char* end = digits.data() + digits.size();
  const auto result = std::from_chars(
      digits.data() + first, end, magnitude,
      hex ? std::chars_format::hex : std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) {
    return false;
  }
#else
  const std::string copy(digits);
  char* end = nullptr;
  magnitude = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) {
    return false;
  }
#endif
  if (!std::isfinite(magnitude)) {
    return false;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

RuleArgumentsReading read_rule_arguments(int argc, const char* const* argv) {
  RuleArgumentsReading reading;
  RuleArguments& got = reading.arguments;
  auto fail = [&reading](std::string message) {
    reading.message = std::move(message);
    return reading;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      got.help = true;
      reading.ok = true;
      return reading;
    }
  }

  bool have_order = false;
  bool have_format = false;
  bool have_half = false;
  bool have_hex = false;
  std::string_view a_text;
  std::string_view b_text;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const auto repeated = [&argument]() {
      return std::string(argument) + " given twice";
    };
    if (argument == "--format") {
      if (have_format) {
        return fail(repeated());
      }
      if (i + 1 >= argc) {
        return fail("--format needs a value: " + format_list());
      }
      const std::string_view name = argv[++i];
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
    } else if (argument == "--interval") {
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
        if (!read_end(end, value)) {
          return fail("interval end " + quoted(end) +
                      " is not a finite number");
        }
        (end.data() == a_text.data() ? got.a : got.b) = value;
      }
      got.on_interval = true;
    } else if (argument == "--half") {
      if (have_half) {
        return fail(repeated());
      }
      got.layout.half = have_half = true;
    } else if (argument == "--hex") {
      if (have_hex) {
        return fail(repeated());
      }
      got.layout.hex = have_hex = true;
    } else if (argument.size() > 1 && argument.front() == '-') {
      return fail("unknown option " + quoted(argument));
    } else if (have_order) {
      return fail("unexpected argument " + quoted(argument) +
                  " after the order");
    } else {
      if (!read_order_text(argument, got.order)) {
        return fail(
            "order " + quoted(argument) + " is not a decimal number from " +
            std::to_string(min_order) + " to " + std::to_string(max_order));
      }
      have_order = true;
    }
  }
  if (!have_order) {
    return fail("no order given (zemta-rule --help shows the usage)");
  }
  if (got.on_interval && !(got.a < got.b)) {
    const std::string shown =
        "interval [" + std::string(a_text) + ", " + std::string(b_text) + "]";
    if (got.a == got.b) {
      return fail(shown + " is empty: A must be below B");
    }
    return fail(shown + " is reversed: A must be below B");
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

std::string rule_help_text() {
  return "Usage: zemta-rule N [--format F] [--interval A B] [--half] [--hex]\n"
         "\n"
         "Writes the Gauss-Legendre rule of order N (" +
         std::to_string(min_order) + " to " + std::to_string(max_order) +
         ") to standard\n"
         "output, every node and weight the double nearest its exact value.\n"
         "\n"
         "  --format F       csv (the default), c, numpy, julia, fortran,\n"
         "                   rust, js, matlab or json\n"
         "  --interval A B   the rule on [A, B] instead of [-1, 1]\n"
         "  --half           only the nodes at or above the midpoint, with\n"
         "                   their weights\n"
         "  --hex            hexadecimal floats (csv, c, numpy, julia)\n"
         "  --help           this text\n"
         "\n"
         "Exit status: 0 written, 1 bad arguments (one line on standard\n"
         "error, nothing on standard output), 2 standard output could not\n"
         "be written. See man zemta-rule.\n";
}

}  // namespace zemta
