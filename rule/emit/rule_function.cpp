#include "rule/emit/rule_function.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "rule/quadrature/families.h"

namespace zemta {

namespace {

// The opening comment's lines take at most this many characters, " * "
// included; its text, gathered before it is filled in, at most
// comment_capacity.
constexpr std::size_t comment_width = 76;
constexpr std::size_t comment_capacity = 2048;

// What the comment says of the table's family: its name and its weight
// function of x as C (on an interval the letter x in it stands for u, the
// point of [-1, 1] that x maps to), and with --scaled the weight without
// the factor the weights include, and that factor; each without a leading
// factor x^alpha where alpha is 0.
struct FamilyText {
  std::string_view title;
  std::string_view weight;  // empty for the weight 1
  std::string_view scaled_weight;
  std::string_view scaled_factor;
};

std::string_view without_unit_power(std::string_view text, double alpha) {
  constexpr std::string_view power = "x^alpha";
  if (alpha == 0 && text.starts_with(power)) {
    text.remove_prefix(power.size());
    if (text.starts_with("*")) {
      text.remove_prefix(1);
    }
  }
  return text;
}

FamilyText family_text(const RuleTable& table) {
  const RuleFamilyText& text = family_entry(table.family).text;
  return {text.function_title.empty() ? text.title : text.function_title,
          without_unit_power(text.function_weight, table.alpha),
          without_unit_power(text.scaled_weight, table.alpha),
          text.scaled_factor};
}

class FunctionWriter {
 public:
  FunctionWriter(TextSink& sink, const RuleTable& table, bool half)
      : sink_(sink),
        table_(table),
        entry_(family_entry(table.family)),
        kronrod_(table.family == RuleFamily::kronrod),
        half_(half) {
    nodes_ = family_node_count(table.family, table.n);
    count_ = half ? (nodes_ + 1) / 2 : nodes_;
    first_ = nodes_ - count_;
    middle_ = half && nodes_ % 2 != 0;
  }

  void write() {
    write_comment();
    write_signature();
    put("\n{\n");
    write_array("x", table_.nodes);
    write_array(kronrod_ ? "wk" : "w", table_.weights);
    if (kronrod_) {
      write_array("wg", table_.gauss_weights);
    }
    write_body();
    put("}\n");
  }

 private:
  void put(std::string_view piece) {
    if (!in_comment_) {
      sink_.put(piece);
      return;
    }
    const std::size_t room = comment_.size() - comment_size_;
    const std::size_t size = piece.size() < room ? piece.size() : room;
    piece.copy(comment_.data() + comment_size_, size);
    comment_size_ += size;
  }
  void put_int(int value) {
    char text[12];
    put({text, static_cast<std::size_t>(
                   std::to_chars(text, text + sizeof text, value).ptr - text)});
  }
  void put_number(double value, bool hex = false) {
    char text[rule_number_capacity];
    put({text, format_rule_number(value, hex, text)});
  }

  void put_name() {
    if (kronrod_) {
      put("kronrod");
    } else {
      put("gauss_");
      for (const char c : entry_.name) {
        put(c == '-' ? "_" : std::string_view(&c, 1));
      }
      const char last = entry_.name.back();
      if (last >= '0' && last <= '9') {
        put("_");
      }
    }
    put_int(table_.n);
  }

  void put_interval() {
    if (entry_.domain == FamilyDomain::half_line) {
      put("[0, infinity)");
    } else if (entry_.domain == FamilyDomain::whole_line) {
      put("(-infinity, infinity)");
    } else if (table_.on_interval) {
      put("[");
      put_number(table_.a);
      put(", ");
      put_number(table_.b);
      put("]");
    } else {
      put("[-1, 1]");
    }
  }

  // The double the half table's mirror images turn about on an interval.
  [[nodiscard]] double midpoint() const { return table_.a / 2 + table_.b / 2; }

  // The opening comment: paragraphs gathered in comment_ (each ended by
  // '\n'), then written with their words filled into lines of at most
  // comment_width characters.
  void write_comment() {
    const FamilyText text = family_text(table_);
    in_comment_ = true;
    put(text.title);
    put(" rule of order ");
    put_int(table_.n);
    put(" on ");
    put_interval();
    put(", written by zemta-rule.");
    if (entry_.takes_alpha || entry_.takes_beta) {
      put(" Its parameters: alpha = ");
      put_number(table_.alpha);
      if (entry_.takes_beta) {
        put(", beta = ");
        put_number(table_.beta);
      }
      put(".");
    }
    if (table_.on_interval) {
      put(" The ends a and b are exactly the doubles ");
      put_number(table_.a, true);
      put(" and ");
      put_number(table_.b, true);
      put("; the rule's nodes and weights are mapped there from [-1, 1].");
    }
    put("\n");
    write_integral_comment(text);
    write_table_comment();
    put("Each value is the double nearest the exact one.\n");
    in_comment_ = false;
    write_filled_comment();
  }

  // What the function approximates, and for which f exactly.
  void write_integral_comment(const FamilyText& text) {
    put_name();
    put(kronrod_ ? "(f, error)" : "(f)");
    put(" is about the integral of ");
    const bool scaled = table_.scaled;
    if (scaled) {
      if (!text.scaled_weight.empty()) {
        put(text.scaled_weight);
        put("*");
      }
      put("f(x)");
    } else if (text.weight.empty()) {
      put("f(x)");
    } else {
      put("f(x)*");
      for (const char c : text.weight) {
        put(c == 'x' && table_.on_interval ? "u" : std::string_view(&c, 1));
      }
    }
    put(" over ");
    put_interval();
    if (table_.on_interval && !text.weight.empty()) {
      put(", u = (2x - a - b)/(b - a)");
    }
    put(", exact but for the sum's roundings when ");
    if (scaled) {
      put("f(x)*");
      put(text.scaled_factor);
    } else {
      put("f");
    }
    put(" is a polynomial of degree up to ");
    put_int(rule_exactness(table_.family, table_.n));
    put(scaled ? ": the weights include the weight function's inverse at "
                 "their nodes.\n"
               : ".\n");
  }

  // What the tables hold and how they are summed.
  void write_table_comment() {
    const std::string_view w = kronrod_ ? "wk" : "w";
    put("x: the ");
    if (half_) {
      put("nodes at or above the midpoint");
      put(table_.on_interval ? " m" : " 0");
      put(", ascending; ");
    } else {
      put("nodes in ascending order; ");
    }
    put(w);
    put(": their weights");
    if (kronrod_) {
      put(" in the Kronrod rule; wg: in the embedded Gauss rule of order ");
      put_int(table_.n);
      put(" (exact up to degree ");
      put_int(2 * table_.n - 1);
      put("), 0 at the nodes it lacks");
    }
    put(".");
    if (half_) {
      put(" Each node x[i] counts with its mirror image ");
      put(table_.on_interval ? "m - (x[i] - m)" : "-x[i]");
      put(middle_ ? ", but the middle one, x[0], which counts once." : ".");
      if (table_.on_interval) {
        put(" m is the double ");
        put_number(midpoint());
        put("; the mirror images are computed in double, each within about "
            "an ulp of x[i] (not of the image) of its node's nearest double.");
      }
    } else {
      put(" The sum is over i of ");
      put(w);
      put("[i]*f(x[i])");
      put(kronrod_ ? " and of wg[i]*f(x[i])." : ".");
    }
    put("\n");
    if (kronrod_) {
      put("It returns the Kronrod sum K and, when error is not a null "
          "pointer, stores |K - G| there, G the Gauss sum of the same values "
          "of f.\n");
    }
  }

  // comment_'s paragraphs as "/* " and " * " lines, the words of each
  // filled in up to comment_width characters (a longer word, such as an
  // end's hex float, on a line of its own), and " */".
  void write_filled_comment() {
    const std::string_view text(comment_.data(), comment_size_);
    std::size_t column = 0;
    bool first_line = true;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end =
          std::min(text.find_first_of(" \n", at), text.size() - 1);
      const std::string_view word = text.substr(at, end - at);
      if (column > 0 && column + 1 + word.size() > comment_width) {
        put("\n");
        column = 0;
      }
      if (column == 0) {
        put(first_line ? "/*" : " *");
        column = 2;
        first_line = false;
      }
      put(" ");
      put(word);
      column += 1 + word.size();
      if (text[end] == '\n' || end + 1 == text.size()) {
        put("\n");
        column = 0;
      }
      at = end + 1;
    }
    put(" */\n");
  }

  void write_signature() {
    put("double ");
    put_name();
    put(kronrod_ ? "(double (*f)(double), double *error)"
                 : "(double (*f)(double))");
  }

  void write_array(std::string_view name, const double* values) {
    put("  static const double ");
    put(name);
    put("[");
    put_int(count_);
    put("] = {\n");
    for (int i = 0; i < count_; ++i) {
      put("    ");
      put_number(values[first_ + i]);
      put(i + 1 < count_ ? ",\n" : "\n");
    }
    put("  };\n");
  }

  // "f(x[i])", or with half "(f(x[i]) + f(<mirror>))".
  void put_values() {
    if (!half_) {
      put("f(x[i])");
    } else {
      put(table_.on_interval ? "(f(x[i]) + f(m - (x[i] - m)))"
                             : "(f(x[i]) + f(-x[i]))");
    }
  }

  void write_body() {
    if (half_ && table_.on_interval) {
      put("  const double m = ");
      put_number(midpoint());
      put(";\n");
    }
    const int from = middle_ ? 1 : 0;
    if (kronrod_) {
      put(middle_ ? "  double y = f(x[0]);\n"
                    "  double k = wk[0] * y;\n"
                    "  double g = wg[0] * y;\n"
                  : "  double y;\n"
                    "  double k = 0.0;\n"
                    "  double g = 0.0;\n");
    } else {
      put(middle_ ? "  double sum = w[0] * f(x[0]);\n"
                  : "  double sum = 0.0;\n");
    }
    put("  int i;\n  for (i = ");
    put_int(from);
    put("; i < ");
    put_int(count_);
    put("; ++i) {\n");
    if (kronrod_) {
      put("    y = ");
      put_values();
      put(";\n    k += wk[i] * y;\n    g += wg[i] * y;\n  }\n"
          "  if (error) {\n    *error = k > g ? k - g : g - k;\n  }\n"
          "  return k;\n");
    } else {
      put("    sum += w[i] * ");
      put_values();
      put(";\n  }\n  return sum;\n");
    }
  }

  TextSink& sink_;
  const RuleTable& table_;
  const RuleFamilyName& entry_;
  bool kronrod_;
  bool half_;
  int nodes_ = 0;        // the rule's node count
  int count_ = 0;        // the tables' length
  int first_ = 0;        // the rule's index of the tables' first node
  bool middle_ = false;  // whether x[0] is the half table's middle node
  // The opening comment's text while it is gathered; its longest, a
  // jacobi or kronrod rule on an interval, takes under 800 characters.
  bool in_comment_ = false;
  std::array<char, comment_capacity> comment_{};
  std::size_t comment_size_ = 0;
};

}  // namespace

void write_rule_function(TextSink& sink, const RuleTable& table, bool half) {
  FunctionWriter(sink, table, half).write();
}

}  // namespace zemta
