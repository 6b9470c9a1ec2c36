// The whole run sequence with an argument vector of arbitrary strings. The
// input is split at NUL bytes into the arguments (at most three), which thus
// look exactly like what the C runtime can pass. Checks that the outcome is
// the one the arguments call for, that the output stream is untouched on
// every error and that a successful run writes the complete output.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run.h"
#include "reference_order.h"
#include "support/memory_stream.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "run: %s\n", what);
  std::abort();
}

using zemta::testing::MemoryStream;

const char* expected_usage_error(const std::vector<std::string>& args) {
  if (args.empty()) {
    return "no parameters";
  }
  if (args.size() != 1) {
    return "wrong number of parameters";
  }
  const auto reading = zemta::fuzz::reference_read_order(args[0]);
  if (!reading.converted) {
    return "scan error on parameter 1: order";
  }
  if (reading.value < 2) {
    return "order must be at least 2";
  }
  if (reading.value > 999) {
    return "order must not exceed 999";
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<std::string> args;
  if (size > 0) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (args.size() < 3) {
      const std::size_t end = input.find('\0', start);
      args.emplace_back(input.substr(start, end - start));
      if (end == std::string_view::npos) {
        break;
      }
      start = end + 1;
    }
  }
  std::vector<const char*> argv{"zemta"};
  for (const auto& arg : args) {
    argv.push_back(arg.c_str());
  }
  argv.push_back(nullptr);

  MemoryStream out;
  MemoryStream diag;
  const zemta::RunOutcome outcome = zemta::run(
      static_cast<int>(argv.size() - 1), argv.data(), out.file(), diag.file());

  if (!diag.text().starts_with(
          "ZEMTA/V" ZEMTA_VERSION
          ": Gauss Quadrature Integration Coefficients\n")) {
    fail("the diagnostics do not begin with the banner");
  }
  const char* usage_message = expected_usage_error(args);
  switch (outcome.kind) {
    case zemta::RunOutcome::Kind::success:
      if (usage_message != nullptr) {
        fail("accepted arguments that must be refused");
      }
      if (!out.text().starts_with("#include <float.h>\n") ||
          !out.text().ends_with("};\n\n")) {
        fail("a successful run wrote incomplete output");
      }
      break;
    case zemta::RunOutcome::Kind::usage_error:
      if (usage_message == nullptr || outcome.message == nullptr ||
          std::strcmp(outcome.message, usage_message) != 0) {
        fail("wrong usage error");
      }
      if (!out.text().empty()) {
        fail("output written before a usage error");
      }
      break;
    case zemta::RunOutcome::Kind::fatal_error:
      // The in-memory streams cannot fail and the tables are small, so no
      // fatal error (allocation, write, stalled search) may occur here.
      fail("fatal error");
  }
  return 0;
}
