// The command line as a user meets it: the built program run as a child
// process, its exit status, its two streams byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/expected_text.h"
#include "support/process.h"

namespace zemta {
namespace {

using testing::banner;
using testing::ProcessResult;
using testing::run_process;
using testing::StdoutMode;
using testing::usage;
using testing::write_failure;

ProcessResult zemta(std::vector<std::string> args,
                    StdoutMode mode = StdoutMode::capture) {
  args.insert(args.begin(), ZEMTA_EXE);
  return run_process(args, mode);
}

struct UsageCase {
  std::vector<std::string> args;
  std::string message;
};

TEST(CommandLine, EveryUsageErrorHasItsMessageStatusOneAndNoOutput) {
  const std::string too_large = "order must not exceed 999";
  const std::string too_small = "order must be at least 2";
  const std::string scan = "scan error on parameter 1: order";
  const std::vector<UsageCase> cases = {
      {{}, "no parameters"},
      {{"7", "8"}, "wrong number of parameters"},
      {{"abc", "5"}, "wrong number of parameters"},
      {{"1", "2", "3"}, "wrong number of parameters"},
      {{"abc"}, scan},
      {{""}, scan},
      {{"-"}, scan},
      {{"+"}, scan},
      {{"0x"}, scan},
      {{" "}, scan},
      {{"1"}, too_small},
      {{"0"}, too_small},
      {{"-4"}, too_small},
      {{"08"}, too_small},
      {{"-2147483648"}, too_small},
      {{"-4294967294"}, too_small},
      {{"1000"}, too_large},
      {{"0x3E8"}, too_large},
      {{"2147483647"}, too_large},
      // Values past the int range saturate rather than wrap around into
      // an accepted order.
      {{"2147483648"}, too_large},
      {{"4294967298"}, too_large},
      {{"0x100000002"}, too_large},
      {{std::string(5000, '9')}, too_large},
      {{"-" + std::string(5000, '9')}, too_small},
  };
  for (const auto& c : cases) {
    const ProcessResult r = zemta(c.args);
    const std::string shown =
        c.args.empty() ? "(none)" : c.args[0].substr(0, 20);
    EXPECT_EQ(r.exit_status, 1) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_EQ(r.err, banner + usage(c.message)) << shown;
  }
}

TEST(CommandLine, AcceptedSpellingsSelectTheOrder) {
  struct Accepted {
    std::string arg;
    int order;
  };
  const Accepted cases[] = {
      {"2", 2},  {"999", 999},  {"0x1F", 31}, {"010", 8},
      {"+6", 6}, {"12abc", 12}, {" 7", 7},    {"0x3e7", 999},
  };
  for (const auto& c : cases) {
    const ProcessResult r = zemta({c.arg});
    EXPECT_EQ(r.exit_status, 0) << c.arg;
    const std::string name = "GQ" + std::to_string(c.order) + "(";
    EXPECT_NE(r.out.find("DBL " + name), std::string::npos) << c.arg;
    EXPECT_EQ(r.err.rfind(banner, 0), 0U) << c.arg;
  }
}

TEST(CommandLine, SuccessfulRunReportsEachStageInOrder) {
  const ProcessResult r = zemta({"5"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, banner +
                       "computing coefficients\n"
                       "\r2 roots found out of 3\r3 roots found out of 3\n"
                       "generating C source code\n"
                       "generating FORTRAN source code\n"
                       "generating list of raw coefficients\n");

  const ProcessResult small = zemta({"4"});
  EXPECT_EQ(small.exit_status, 0);
  EXPECT_EQ(small.err, banner +
                           "computing coefficients\n"
                           "generating C source code\n"
                           "generating FORTRAN source code\n"
                           "generating list of raw coefficients\n");
}

TEST(CommandLine, FailedWriteOfTheOutputIsAnError) {
  for (const auto& [mode, order] : {std::pair{StdoutMode::dev_full, "999"},
                                    std::pair{StdoutMode::dev_full, "2"},
                                    std::pair{StdoutMode::closed, "5"}}) {
    const ProcessResult r = zemta({order}, mode);
    EXPECT_EQ(r.exit_status, 1) << order;
    ASSERT_GE(r.err.size(), write_failure.size()) << order;
    EXPECT_EQ(r.err.substr(r.err.size() - write_failure.size()), write_failure)
        << order;
    EXPECT_EQ(r.err.rfind(banner, 0), 0U) << order;
  }
}

TEST(CommandLine, OutputIsCompleteAndIdenticalAcrossRuns) {
  const ProcessResult first = zemta({"999"});
  const ProcessResult second = zemta({"999"});
  ASSERT_EQ(first.exit_status, 0);
  EXPECT_EQ(first.out, second.out);
  // The raw list's weight array closes the output with an empty line.
  EXPECT_EQ(first.out.substr(first.out.size() - 4), "};\n\n");
  // Both streams to one file: the diagnostics, held back whole in their
  // buffer, come after the output.
  const ProcessResult merged = testing::run_shell(ZEMTA_EXE " 999");
  EXPECT_TRUE(merged.out == first.out + first.err);
}

}  // namespace
}  // namespace zemta
