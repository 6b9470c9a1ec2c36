#include "rule/emit/rule_formats.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "emit/text_sink.h"
#include "quadrature/coefficients.h"
#include "rule/emit/rule_function.h"
#include "rule/emit/shortest_digits.h"

static_assert(std::numeric_limits<double>::is_iec559);

namespace zemta {

namespace {

// Fixed notation from 1e-4 (the scientific exponent -4) to below 1e16:
// Python's choice, so a weight of order 999 such as 7.1e-6 reads as such
// and not as a row of zeros.
constexpr int fixed_lowest_exponent = -4;
constexpr int fixed_exponent_limit = 16;

std::size_t int_text(char* text, int value) {
  return static_cast<std::size_t>(std::to_chars(text, text + 12, value).ptr -
                                  text);
}

// The shortest digits of value (rule/emit/shortest_digits.h), laid out as
// described in the header.
std::size_t format_decimal(double value, char* text) {
  const ShortestDigits shortest = shortest_digits(value);
  std::size_t at = 0;
  if (shortest.negative) {
    text[at++] = '-';
  }
  if (shortest.count == 0) {  // inf or nan
    constexpr std::uint64_t fraction_mask = (std::uint64_t{1} << 52) - 1;
    const bool nan = (std::bit_cast<std::uint64_t>(value) & fraction_mask) != 0;
    const std::string_view word = nan ? "nan" : "inf";
    std::memcpy(text + at, word.data(), word.size());
    return at + word.size();
  }
  const char* const digits = shortest.digits.data();
  const std::size_t count = shortest.count;
  const int exponent = shortest.exponent;

  if (exponent >= fixed_lowest_exponent && exponent < fixed_exponent_limit) {
    if (exponent < 0) {
      text[at++] = '0';
      text[at++] = '.';
      for (int i = -1; i > exponent; --i) {
        text[at++] = '0';
      }
      std::memcpy(text + at, digits, count);
      return at + count;
    }
    // The integer part, padded with zeros, then the rest or one zero.
    const auto integer_digits = static_cast<std::size_t>(exponent) + 1;
    for (std::size_t i = 0; i < integer_digits; ++i) {
      text[at++] = i < count ? digits[i] : '0';
    }
    text[at++] = '.';
    if (count > integer_digits) {
      std::memcpy(text + at, digits + integer_digits, count - integer_digits);
      return at + count - integer_digits;
    }
    text[at++] = '0';
    return at;
  }
  text[at++] = digits[0];
  text[at++] = '.';
  if (count > 1) {
    std::memcpy(text + at, digits + 1, count - 1);
    at += count - 1;
  } else {
    text[at++] = '0';
  }
  text[at++] = 'e';
  return at + int_text(text + at, exponent);
}

// "0x1.<fraction>p<exponent>" from the bits, trailing zero hex digits left
// out; subnormals as "0x0.<fraction>p-1022".
std::size_t format_hex(double value, char* text) {
  constexpr int fraction_bits = 52;
  constexpr int exponent_bias = 1023;
  constexpr int max_biased_exponent = 2047;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  std::uint64_t fraction = bits & ((std::uint64_t{1} << fraction_bits) - 1);
  const auto biased = static_cast<int>((bits >> fraction_bits) & 0x7ff);
  std::size_t at = 0;
  if (bits >> 63 != 0) {
    text[at++] = '-';
  }
  if (biased == max_biased_exponent) {
    const std::string_view word = fraction == 0 ? "inf" : "nan";
    std::memcpy(text + at, word.data(), word.size());
    return at + word.size();
  }
  text[at++] = '0';
  text[at++] = 'x';
  text[at++] = biased == 0 ? '0' : '1';
  if (fraction != 0) {
    text[at++] = '.';
    int shift = fraction_bits - 4;
    while (fraction != 0) {
      const auto nibble = static_cast<unsigned>(fraction >> shift) & 0xfU;
      text[at++] = "0123456789abcdef"[nibble];
      fraction &= (std::uint64_t{1} << shift) - 1;
      shift -= 4;
    }
  }
  text[at++] = 'p';
  int exponent = 0;
  if (biased == 0) {
    exponent = value == 0 ? 0 : 1 - exponent_bias;
  } else {
    exponent = biased - exponent_bias;
  }
  return at + int_text(text + at, exponent);
}

// What each format writes around the values of one array.
struct ArrayShape {
  std::string_view value_before;  // before each value
  std::string_view value_after;   // after each value
  std::string_view separator;     // between values
  std::string_view close;         // after the last value
};

// The text of each value of one Fortran array, written once for its layout
// and again into the table: static, as write_rule's buffer is, and kept
// off the stack, which is small in the WebAssembly module.
struct FortranText {
  std::array<char, rule_number_capacity> digits;
  std::size_t length;
};
std::array<FortranText, rule_node_capacity> fortran_texts;
// Where each line of a Fortran array begins (fortran_lines), static too.
std::array<int, rule_node_capacity> fortran_starts;

// What each code format's opening comment is made of: the comment's
// marks (lead opens the first line, middle the others, last ends the
// comment on a line of its own, empty for line comments), whether the
// arrays' names are upper case, and how the language indexes them.
struct CommentStyle {
  std::string_view lead;
  std::string_view middle;
  std::string_view last;
  bool upper;
  std::string_view index_open;   // "[" or "("
  std::string_view index_close;  // "]" or ")"
  int first_index;               // 0 or 1
};

constexpr CommentStyle c_style = {"/* ", " * ", " */\n", false, "[", "]", 0};
constexpr CommentStyle cpp_style = {"// ", "// ", "", false, "[", "]", 0};
constexpr CommentStyle python_style = {"# ", "# ", "", false, "[", "]", 0};
constexpr CommentStyle julia_style = {"# ", "# ", "", false, "[", "]", 1};
constexpr CommentStyle fortran_style = {"! ", "! ", "", false, "(", ")", 1};
constexpr CommentStyle rust_style = {"// ", "// ", "", true, "[", "]", 0};
constexpr CommentStyle js_style = {"// ", "// ", "", false, "[", "]", 0};
constexpr CommentStyle matlab_style = {"% ", "% ", "", false, "(", ")", 1};

// The arrays: the nodes, their weights, and Kronrod's Gauss weights.
enum class Array { x, w, g };

class RuleWriter {
 public:
  RuleWriter(TextSink& sink, const RuleTable& table, const RuleLayout& layout)
      : sink_(sink), table_(table), layout_(layout) {
    nodes_ = family_node_count(table.family, table.n);
    count_ = layout.half ? half_count(nodes_) : nodes_;
    first_ = nodes_ - count_;
    legendre_ = table.family == RuleFamily::legendre;
    kronrod_ = table.family == RuleFamily::kronrod;
  }

  void write() {
    switch (layout_.format) {
      case RuleFormat::csv:
        write_csv();
        return;
      case RuleFormat::c:
        write_comment(c_style);
        write_arrays("static const double ", false,
                     {"  ", "", ",\n", "\n};\n"});
        return;
      case RuleFormat::cpp:
        write_cpp();
        return;
      case RuleFormat::numpy:
        write_comment(python_style);
        put("import numpy as np\n\n");
        write_python_arrays();
        return;
      case RuleFormat::julia:
        write_comment(julia_style);
        write_arrays("const ", false, {"    ", "", ",\n", "\n]\n"});
        return;
      case RuleFormat::fortran:
        write_fortran();
        return;
      case RuleFormat::rust:
        write_comment(rust_style);
        write_arrays("pub const ", true, {"    ", "", ",\n", "\n];\n"});
        return;
      case RuleFormat::js:
        write_comment(js_style);
        write_arrays("const ", false, {"  ", "", ",\n", "\n];\n"});
        return;
      case RuleFormat::matlab:
        write_comment(matlab_style);
        write_arrays("", false, {"  ", "", "\n", "\n];\n"});
        return;
      case RuleFormat::json:
        write_json();
        return;
      case RuleFormat::c_function:
        write_rule_function(sink_, table_, layout_.half);
        return;
    }
  }

 private:
  void put(std::string_view piece) { sink_.put(piece); }
  void put_int(int value) {
    char text[12];
    put(std::string_view(text, int_text(text, value)));
  }
  void put_decimal(double value) {
    char text[rule_number_capacity];
    put(std::string_view(text, format_rule_number(value, false, text)));
  }
  void put_hex(double value) {
    char text[rule_number_capacity];
    put(std::string_view(text, format_rule_number(value, true, text)));
  }
  void put_number(double value) {
    char text[rule_number_capacity];
    put(std::string_view(text, format_rule_number(value, layout_.hex, text)));
  }

  // The family as --rule names it, '-' as '_', upper case if asked:
  // "radau_right", "HERMITE_PROB".
  void put_family(bool upper) {
    for (const char c : family_entry(table_.family).name) {
      const char shown = c == '-' ? '_'
                         : upper && c >= 'a' && c <= 'z'
                             ? static_cast<char>(c - 'a' + 'A')
                             : c;
      put(std::string_view(&shown, 1));
    }
  }

  // "x7", "X7", "x_lobatto7", "W_HERMITE_PROB5", "g_kronrod7", and
  // "x_chebyshev1_5" where the family's name ends in a digit, so that the
  // order stands apart.
  void put_name(Array array, bool upper) {
    const char* letters = upper ? "XWG" : "xwg";
    put(std::string_view(letters + static_cast<int>(array), 1));
    if (!legendre_) {
      put("_");
      put_family(upper);
      const char last = family_entry(table_.family).name.back();
      if (last >= '0' && last <= '9') {
        put("_");
      }
    }
    put_int(table_.n);
  }

  // "x7[i]", "x7(1)": an element of the array.
  void put_element(const CommentStyle& style, Array array,
                   std::string_view index) {
    put_name(array, style.upper);
    put(style.index_open);
    put(index);
    put(style.index_close);
  }

  // The opening comment. Its lines take at most 120 characters for any
  // order, interval and parameters (the first, with two ends of 23
  // characters such as -1.7976931348623157e308, and the weight line with
  // alpha and beta that long; in hex an end takes 24 at most), inside
  // Fortran's line limit.
  void write_comment(const CommentStyle& style) {
    const RuleFamilyText& text = rule_family_text(table_.family);
    put(style.lead);
    put(text.title);
    put(" rule of order ");
    put_int(table_.n);
    put(" on ");
    if (table_.on_interval) {
      put("[");
      put_decimal(table_.a);
      put(", ");
      put_decimal(table_.b);
      put("]");
    } else {
      put(text.interval);
    }
    put(", written by zemta-rule.\n");
    if (table_.on_interval) {
      put(style.middle);
      put("The ends a and b are exactly the doubles ");
      put_hex(table_.a);
      put(" and ");
      put_hex(table_.b);
      put(".\n");
    }
    if (!legendre_) {
      write_family_comment(style, text);
    }
    put(style.middle);
    put_name(Array::x, style.upper);
    if (layout_.half) {
      write_half_comment(style);
    } else {
      put(": the nodes in ascending order; ");
      put_name(Array::w, style.upper);
      put(": their weights.\n");
    }
    if (kronrod_) {
      put(style.middle);
      put_name(Array::g, style.upper);
      put(": each node's weight in the Gauss-Legendre rule of order ");
      put_int(table_.n);
      put(", 0 for the nodes Kronrod adds.\n");
    }
    put(style.middle);
    put("Each value is the double nearest the exact one.\n");
    put(style.last);
    put("\n");
  }

  // The weight function, its parameters, the mapping to [a, b], the nodes
  // and the degree of exactness, and whether the weights are scaled.
  void write_family_comment(const CommentStyle& style,
                            const RuleFamilyText& text) {
    const RuleFamilyName& entry = family_entry(table_.family);
    put(style.middle);
    put("Weight w(x) = ");
    put(text.weight);
    if (entry.takes_alpha) {
      put(" with alpha = ");
      put_decimal(table_.alpha);
    }
    if (entry.takes_beta) {
      put(" and beta = ");
      put_decimal(table_.beta);
    }
    put(".\n");
    if (table_.on_interval) {
      put(style.middle);
      put("On [a, b] it integrates f(t) w(x(t)), x(t) = (2t - a - b)/(b - "
          "a).\n");
    }
    put(style.middle);
    put_int(nodes_);
    put(nodes_ == 1 ? " node" : " nodes");
    if (kronrod_) {
      put(", the ");
      put_int(table_.n);
      put(" of the Gauss-Legendre rule of order ");
      put_int(table_.n);
      put(" and ");
      put_int(table_.n + 1);
      put(" more");
    } else if (!text.nodes.empty()) {
      put(", ");
      put(text.nodes);
    }
    put(".\n");
    put(style.middle);
    put("Exact for the integral of f(x) w(x) with f a polynomial of degree ");
    put_int(rule_exactness(table_.family, table_.n));
    put(" or less.\n");
    if (entry.scalable) {
      put(style.middle);
      put(table_.scaled
              ? "Scaled: each weight is divided by w at its node, for an "
                "integrand g(x) = f(x) w(x) taken whole.\n"
              : "Not scaled: w is in the weights, and the rule takes f "
                "alone.\n");
    }
  }

  // How the half table integrates, with the language's own indexing: each
  // node with its mirror image, but the middle node of an odd count, which
  // is its own mirror image, once.
  void write_half_comment(const CommentStyle& style) {
    put(": the nodes at or above the midpoint ");
    put(table_.on_interval ? "m = (a + b)/2" : "0");
    put(", ascending; ");
    put_name(Array::w, style.upper);
    put(": their weights.\n");
    put(style.middle);
    put(legendre_ ? "The integral of f is about "
                  : "The integral of f(x) w(x) is about ");
    const bool odd = nodes_ % 2 != 0;
    char first[12];
    const std::string_view first_index(first,
                                       int_text(first, style.first_index));
    if (odd) {
      put_element(style, Array::w, first_index);
      put("*f(");
      put_element(style, Array::x, first_index);
      put(") + the sum over i >= ");
      put_int(style.first_index + 1);
      put(" of\n");
    } else {
      put("the sum over all i of\n");
    }
    put(style.middle);
    put_element(style, Array::w, "i");
    put("*(f(");
    put_element(style, Array::x, "i");
    put(") + f(");
    put(table_.on_interval ? "2*m - " : "-");
    put_element(style, Array::x, "i");
    if (odd) {
      put(")); the middle node ");
      put_element(style, Array::x, first_index);
      put(" counts once.\n");
    } else {
      put(")), each node with its mirror image.\n");
    }
  }

  // The arrays a table has: the nodes, the weights, and Kronrod's Gauss
  // weights.
  [[nodiscard]] int arrays() const { return kronrod_ ? 3 : 2; }
  [[nodiscard]] const double* values(int array) const {
    return array == 0   ? table_.nodes
           : array == 1 ? table_.weights
                        : table_.gauss_weights;
  }

  void put_values(const double* values, const ArrayShape& shape) {
    for (int i = 0; i < count_; ++i) {
      if (i > 0) {
        put(shape.separator);
      }
      put(shape.value_before);
      put_number(values[first_ + i]);
      put(shape.value_after);
    }
    put(shape.close);
  }

  // "<before><name> = [" or, for C, "<before><name>[<count>] = {", each
  // value on a line of its own, for each array in turn.
  void write_arrays(std::string_view before, bool upper,
                    const ArrayShape& shape) {
    for (int array = 0; array < arrays(); ++array) {
      put(before);
      put_name(static_cast<Array>(array), upper);
      if (layout_.format == RuleFormat::c) {
        put("[");
        put_int(count_);
        put("] = {\n");
      } else if (layout_.format == RuleFormat::rust) {
        put(": [f64; ");
        put_int(count_);
        put("] = [\n");
      } else {
        put(" = [\n");
      }
      put_values(values(array), shape);
    }
  }

  void write_python_arrays() {
    const ArrayShape shape =
        layout_.hex ? ArrayShape{"    float.fromhex(\"", "\")", ",\n", "\n])\n"}
                    : ArrayShape{"    ", "", ",\n", "\n])\n"};
    for (int array = 0; array < arrays(); ++array) {
      put_name(static_cast<Array>(array), false);
      put(" = np.array([\n");
      put_values(values(array), shape);
    }
  }

  void write_csv() {
    put(kronrod_ ? "node,weight,gauss_weight\n" : "node,weight\n");
    for (int i = first_; i < nodes_; ++i) {
      put_number(table_.nodes[i]);
      put(",");
      put_number(table_.weights[i]);
      if (kronrod_) {
        put(",");
        put_number(table_.gauss_weights[i]);
      }
      put("\n");
    }
  }

  // Gauss-Legendre's object as it always was; the other families' open
  // with the family and its parameters, and have an interval only when
  // their domain is finite (JSON has no infinity).
  void write_json() {
    const RuleFamilyName& entry = family_entry(table_.family);
    put("{\n");
    if (!legendre_) {
      put(R"(  "rule": ")");
      put(entry.name);
      put("\",\n");
    }
    put("  \"order\": ");
    put_int(table_.n);
    if (entry.takes_alpha) {
      put(",\n  \"alpha\": ");
      put_number(table_.alpha);
    }
    if (entry.takes_beta) {
      put(",\n  \"beta\": ");
      put_number(table_.beta);
    }
    if (entry.scalable) {
      put(",\n  \"scaled\": ");
      put(table_.scaled ? "true" : "false");
    }
    if (entry.domain == FamilyDomain::finite) {
      put(",\n  \"interval\": [");
      put_number(table_.on_interval ? table_.a : -1.0);
      put(", ");
      put_number(table_.on_interval ? table_.b : 1.0);
      put("]");
    }
    put(",\n  \"half\": ");
    put(layout_.half ? "true" : "false");
    put(",\n  \"nodes\": [\n");
    put_values(table_.nodes, {"    ", "", ",\n", "\n  ],\n"});
    put("  \"weights\": [\n");
    if (kronrod_) {
      put_values(table_.weights, {"    ", "", ",\n", "\n  ],\n"});
      put("  \"gauss_weights\": [\n");
      put_values(table_.gauss_weights, {"    ", "", ",\n", "\n  ]\n"});
    } else {
      put_values(table_.weights, {"    ", "", ",\n", "\n  ]\n"});
    }
    put("}\n");
  }

  // "gauss_legendre", "gauss_radau_right": the C++ namespace, and with
  // "_<n>" the Fortran module.
  void put_module() {
    put("gauss_");
    put_family(false);
  }

  // "namespace gauss_legendre { inline constexpr std::array<...> x<n> }",
  // each list in two braces, the array's and its member's: with one,
  // g++ -Wmissing-braces warns.
  void write_cpp() {
    write_comment(cpp_style);
    put("#pragma once\n\n#include <array>\n\nnamespace ");
    put_module();
    put(" {\n\n");
    for (int array = 0; array < arrays(); ++array) {
      put("inline constexpr std::array<double, ");
      put_int(count_);
      put("> ");
      put_name(static_cast<Array>(array), false);
      put(" = {{\n");
      put_values(values(array), {"    ", "", ",\n", "\n}};\n"});
    }
    put("\n}  // namespace ");
    put_module();
    put("\n");
  }

  // Where each line of a Fortran array's values begins: the values fill
  // each line of at most fortran_line_limit characters, the indent and the
  // ", " between them counted, and after each ", &" (or, after the last
  // one, "]" and one column to spare, the layout every table written
  // before that count was exact already had). Each value's text is kept in
  // fortran_texts for the writing, the starts in fortran_starts. Returns
  // the number of lines.
  int fortran_lines(const double* values, std::size_t indent,
                    std::size_t kind) const {
    int lines = 0;
    std::size_t column = 0;
    for (int i = 0; i < count_; ++i) {
      FortranText& text = fortran_texts[static_cast<std::size_t>(i)];
      text.length =
          format_rule_number(values[first_ + i], false, text.digits.data());
      const std::size_t width = text.length + kind;
      const std::size_t after = i + 1 == count_ ? 2 : 3;
      if (i == 0 || column + 2 + width + after > fortran_line_limit) {
        fortran_starts[static_cast<std::size_t>(lines++)] = i;
        column = indent + width;
      } else {
        column += 2 + width;
      }
    }
    return lines;
  }

  // One array constant "x<n>(<count>) = [ &", the values, "]"; or, when
  // they take more than fortran_continuation_limit lines, the private
  // pieces x<n>_1, x<n>_2, ... of that many lines at most, cut where the
  // lines break, and x<n> as the concatenation of the pieces.
  void write_fortran_array(Array array, const double* values) {
    constexpr std::string_view indent = "    ";
    constexpr std::string_view kind = "_real64";
    const auto& starts = fortran_starts;
    const int lines = fortran_lines(values, indent.size(), kind.size());
    const int pieces =
        (lines + fortran_continuation_limit - 1) / fortran_continuation_limit;
    for (int piece = 0; piece < pieces; ++piece) {
      const int first_line = piece * fortran_continuation_limit;
      const int end_line =
          std::min(lines, first_line + fortran_continuation_limit);
      const int begin = starts[static_cast<std::size_t>(first_line)];
      const int end = end_line == lines
                          ? count_
                          : starts[static_cast<std::size_t>(end_line)];
      put(pieces == 1 ? "  real(real64), parameter :: "
                      : "  real(real64), parameter, private :: ");
      put_name(array, false);
      if (pieces > 1) {
        put("_");
        put_int(piece + 1);
      }
      put("(");
      put_int(end - begin);
      put(") = [ &\n");
      int line = first_line;
      for (int i = begin; i < end; ++i) {
        if (i == begin) {
          put(indent);
        } else if (line + 1 < end_line &&
                   starts[static_cast<std::size_t>(line) + 1] == i) {
          put(", &\n");
          put(indent);
          ++line;
        } else {
          put(", ");
        }
        const FortranText& text = fortran_texts[static_cast<std::size_t>(i)];
        put(std::string_view(text.digits.data(), text.length));
        put(kind);
      }
      put("]\n");
    }
    if (pieces > 1) {
      put("  real(real64), parameter :: ");
      put_name(array, false);
      put("(");
      put_int(count_);
      put(") = [");
      for (int piece = 0; piece < pieces; ++piece) {
        put(piece == 0 ? "" : ", ");
        put_name(array, false);
        put("_");
        put_int(piece + 1);
      }
      put("]\n");
    }
  }

  void write_fortran() {
    write_comment(fortran_style);
    put("module ");
    put_module();
    put("_");
    put_int(table_.n);
    put("\n  use, intrinsic :: iso_fortran_env, only: real64\n"
        "  implicit none\n");
    for (int array = 0; array < arrays(); ++array) {
      write_fortran_array(static_cast<Array>(array), values(array));
    }
    put("end module ");
    put_module();
    put("_");
    put_int(table_.n);
    put("\n");
  }

  TextSink& sink_;
  const RuleTable& table_;
  const RuleLayout& layout_;
  int nodes_ = 0;  // family_node_count
  int count_ = 0;  // the nodes in the table, all or the half
  int first_ = 0;
  bool legendre_ = true;
  bool kronrod_ = false;
};

}  // namespace

const RuleFamilyText& rule_family_text(RuleFamily family) noexcept {
  return family_entry(family).text;
}

int rule_exactness(RuleFamily family, int n) noexcept {
  switch (family_entry(family).exactness) {
    case FamilyExactness::lobatto:
      return 2 * n - 3;
    case FamilyExactness::radau:
      return 2 * n - 2;
    case FamilyExactness::kronrod:
      return n % 2 == 0 ? 3 * n + 1 : 3 * n + 2;
    case FamilyExactness::gauss:
      break;
  }
  return 2 * n - 1;
}

std::size_t format_rule_number(double value, bool hex, char* text) noexcept {
  return hex ? format_hex(value, text) : format_decimal(value, text);
}

bool write_rule(std::FILE* out, const RuleTable& table,
                const RuleLayout& layout) noexcept {
  // Large enough for any table of order 999 in any format, Kronrod's three
  // arrays of 1999 values included, so the text goes out in one write.
  static char buffer[384 * 1024];
  TextSink sink(out, buffer, sizeof buffer);
  RuleWriter(sink, table, layout).write();
  return sink.flush();
}

}  // namespace zemta
