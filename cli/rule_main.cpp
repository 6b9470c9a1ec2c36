// zemta-rule: the correctly rounded Gauss-Legendre rule as text to paste
// into a program (cli/rule_arguments.h for the command line,
// emit/rule_formats.h for the text). Exit status 0 when the text is
// written, 1 for bad arguments (one line on stderr, nothing on stdout), 2
// when standard output cannot be written.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/rule_arguments.h"
#include "emit/rule_formats.h"
#include "quadrature/coefficients.h"
#include "quadrature/correctly_rounded.h"

namespace {

constexpr int status_bad_arguments = 1;
constexpr int status_write_failed = 2;

double nodes[zemta::max_order];
double weights[zemta::max_order];

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

  const int n = arguments.order;
  const int filled = arguments.on_interval
                         ? zemta::correctly_rounded_rule(
                               n, arguments.a, arguments.b, nodes, weights)
                         : zemta::correctly_rounded_rule(n, nodes, weights);
  if (filled != n) {  // the arguments were checked against the same domain
    std::fputs("zemta-rule: the rule is outside the computation's domain\n",
               stderr);
    return status_bad_arguments;
  }
  zemta::RuleTable table;
  table.n = n;
  table.nodes = nodes;
  table.weights = weights;
  table.on_interval = arguments.on_interval;
  table.a = arguments.a;
  table.b = arguments.b;
  if (!zemta::write_rule(stdout, table, arguments.layout) ||
      std::fflush(stdout) != 0) {
    return write_failed();
  }
  return EXIT_SUCCESS;
}
