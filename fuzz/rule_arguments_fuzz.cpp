// Any bytes as zemta-rule's arguments (split at NUL bytes, at most
// max_arguments of them): read_rule_arguments must not crash, must refuse
// with one line that names the fault, and whatever it accepts must be in
// the domain the engine and the formats take.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "quadrature/coefficients.h"
#include "rule/cli/rule_arguments.h"

namespace {

constexpr std::size_t max_arguments = 8;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "read_rule_arguments: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<std::string> words(1, "zemta-rule");
  words.emplace_back();
  for (std::size_t i = 0; i < size && words.size() <= max_arguments; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> argv;
  argv.reserve(words.size());
  for (const std::string& word : words) {
    argv.push_back(word.c_str());
  }
  const zemta::RuleArgumentsReading reading =
      zemta::read_rule_arguments(static_cast<int>(argv.size()), argv.data());
  if (!reading.ok) {
    if (reading.message.empty()) {
      fail("a refusal without a message");
    }
    for (const char c : reading.message) {
      if (static_cast<unsigned char>(c) < 0x20) {
        fail("a control character in the message");
      }
    }
    return 0;
  }
  const zemta::RuleArguments& got = reading.arguments;
  if (got.help) {
    return 0;
  }
  const zemta::RuleFamilyName& family =
      zemta::rule_family_names[static_cast<std::size_t>(got.family)];
  if (got.order < zemta::rule_least_order(family) ||
      got.order > zemta::max_order) {
    fail("an order outside the domain");
  }
  if ((!family.takes_alpha && got.alpha != 0) ||
      (!family.takes_beta && got.beta != 0) || !(got.alpha > -1) ||
      !(got.beta > -1) || !std::isfinite(got.alpha) ||
      !std::isfinite(got.beta) || (got.scaled && !family.scalable)) {
    fail("parameters outside the family's domain");
  }
  if ((got.on_interval && family.domain != zemta::FamilyDomain::finite) ||
      (got.layout.half &&
       !zemta::family_is_symmetric(zemta::request_of(got)))) {
    fail("options the family does not take");
  }
  if (!std::isfinite(got.a) || !std::isfinite(got.b) || !(got.a < got.b)) {
    fail("an interval outside the domain");
  }
  if (got.layout.hex) {
    for (const zemta::RuleFormatName& format : zemta::rule_format_names) {
      if (format.format == got.layout.format && !format.hex_floats) {
        fail("--hex with a format that has no hex floats");
      }
    }
  }
  return 0;
}
