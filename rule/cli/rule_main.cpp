// zemta-rule: the correctly rounded Gauss rules as text to paste
// into a program (rule/cli/rule_arguments.h for the command line,
// rule/emit/rule_formats.h for the text). Exit status 0 when the text is
// written (with one warning line on stderr when the interval is too narrow
// for the rule in doubles), 1 for bad arguments (one line on stderr,
// nothing on stdout), 2 when standard output cannot be written.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rule/cli/rule_arguments.h"
#include "rule/emit/rule_formats.h"
#include "rule/quadrature/families.h"

namespace {

constexpr int status_bad_arguments = 1;
constexpr int status_write_failed = 2;

double nodes[zemta::rule_node_capacity];
double weights[zemta::rule_node_capacity];
double gauss_weights[zemta::rule_node_capacity];

// On an interval that holds too few doubles, or one so small that weights
// fall below the least subnormal, the nearest doubles no longer make a
// rule whose points are apart: the table is still the nearest doubles,
// written as computed, and this line on stderr says what a user would
// otherwise find only by looking. Empty when there is nothing to say. The
// same holds for the weights of a rule on an infinite interval that fall
// below the least subnormal far out. The ends a rule holds by design
// (lobatto's both, radau's left, radau-right's right) are not counted.
std::string degeneracy_warning(const zemta::FamilyRequest& request, int count) {
  const bool fixed_left = request.family == zemta::RuleFamily::lobatto ||
                          request.family == zemta::RuleFamily::radau;
  const bool fixed_right = request.family == zemta::RuleFamily::lobatto ||
                           request.family == zemta::RuleFamily::radau_right;
  int repeated = 0;
  int at_ends = 0;
  int zero_weights = 0;
  for (int i = 0; i < count; ++i) {
    repeated += i > 0 && nodes[i] == nodes[i - 1] ? 1 : 0;
    const bool free_node =
        !(i == 0 && fixed_left) && !(i == count - 1 && fixed_right);
    at_ends += request.on_interval && free_node &&
                       (nodes[i] == request.a || nodes[i] == request.b)
                   ? 1
                   : 0;
    zero_weights += weights[i] == 0 ? 1 : 0;
  }
  std::vector<std::string> parts;
  const auto part = [&parts](int number, const char* one, const char* many) {
    if (number > 0) {
      parts.push_back(std::to_string(number) + (number == 1 ? one : many));
    }
  };
  part(repeated, " node equal to the one before it",
       " nodes equal to the one before them");
  part(at_ends, " node equal to an end", " nodes equal to an end");
  part(zero_weights, " weight of 0", " weights of 0");
  std::string said;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    said += i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ";
    said += parts[i];
  }
  if (parts.empty()) {
    return {};
  }
  return "zemta-rule: warning: in doubles the rule of order " +
         std::to_string(request.n) +
         (request.on_interval ? " on this interval" : "") + " has " + said +
         "; the table is written as computed\n";
}

int write_failed() {
  std::fputs("zemta-rule: cannot write standard output\n", stderr);
  return status_write_failed;
}

}  // namespace

int main(int argc, char** argv) {
  // The text is gathered in one buffer (write_rule) and goes straight to
  // the system from there.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const zemta::RuleArgumentsReading reading =
      zemta::read_rule_arguments(argc, argv);
  if (!reading.ok) {
    // Put together and written whole, without printf, which would be the
    // only user of the C library's formatter in the WebAssembly module.
    const std::string line = "zemta-rule: " + reading.message + "\n";
    std::fputs(line.c_str(), stderr);
    return status_bad_arguments;
  }
  const zemta::RuleArguments& arguments = reading.arguments;
  if (arguments.help) {
    const std::string help = zemta::rule_help_text();
    if (std::fwrite(help.data(), 1, help.size(), stdout) != help.size()) {
      return write_failed();
    }
    return EXIT_SUCCESS;
  }

  const zemta::FamilyRequest request = zemta::request_of(arguments);
  const int count = zemta::family_node_count(request.family, request.n);
  const int filled = zemta::family_rule(request, nodes, weights, gauss_weights);
  if (filled != count) {
    // The arguments were checked against the same domain: what is left is a
    // weight past the largest double (laguerre with a large alpha, say),
    // which no table of doubles can hold.
    const std::string line =
        "zemta-rule: the " +
        std::string(zemta::family_entry(request.family).name) +
        " rule of order " + std::to_string(request.n) +
        " has a weight beyond the largest double (1.7976931348623157e308)\n";
    std::fputs(line.c_str(), stderr);
    return status_bad_arguments;
  }
  const std::string warning = degeneracy_warning(request, count);
  zemta::RuleTable table;
  table.n = request.n;
  table.nodes = nodes;
  table.weights = weights;
  table.on_interval = request.on_interval;
  table.a = request.a;
  table.b = request.b;
  table.family = request.family;
  table.alpha = request.alpha;
  table.beta = request.beta;
  table.scaled = request.scaled;
  table.gauss_weights = gauss_weights;
  if (!zemta::write_rule(stdout, table, arguments.layout) ||
      std::fflush(stdout) != 0) {
    return write_failed();
  }
  std::fputs(warning.c_str(), stderr);
  return EXIT_SUCCESS;
}
