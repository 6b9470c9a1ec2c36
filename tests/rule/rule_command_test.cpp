// zemta-rule's faults as a user meets them: the program run as a process
// with bad arguments or an unwritable standard output. Each must leave
// standard output empty, write exactly one line naming the fault, and exit
// with the status the manual page gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process.h"

namespace {

using zemta::testing::run_process;
using zemta::testing::StdoutMode;

struct Fault {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;  // the whole line, without "zemta-rule: " and "\n"
};

const Fault faults[] = {
    {"NoArguments", {}, "no order given (zemta-rule --help shows the usage)"},
    {"OnlyAnOption",
     {"--half"},
     "no order given (zemta-rule --help shows the usage)"},
    {"OrderNotANumber",
     {"abc"},
     "order 'abc' is not a decimal number from 2 to 999"},
    {"OrderBelowRange",
     {"1"},
     "order '1' is not a decimal number from 2 to 999"},
    {"OrderAboveRange",
     {"1000"},
     "order '1000' is not a decimal number from 2 to 999"},
    {"OrderHuge",
     {"99999999999999999999"},
     "order '99999999999999999999' is not a decimal number from 2 to 999"},
    {"OrderLeadingZero",
     {"020"},
     "order '020' is not a decimal number from 2 to 999"},
    {"OrderWithSign",
     {"+20"},
     "order '+20' is not a decimal number from 2 to 999"},
    {"OrderNegative", {"-20"}, "unknown option '-20'"},
    {"OrderEmpty", {""}, "order '' is not a decimal number from 2 to 999"},
    {"OrderTrailingText",
     {"20x"},
     "order '20x' is not a decimal number from 2 to 999"},
    {"OrderWithNewline",
     {"2\n0"},
     "order '2?0' is not a decimal number from 2 to 999"},
    {"StrayArgument", {"20", "30"}, "unexpected argument '30' after the order"},
    {"UnknownOption", {"20", "--fromat", "c"}, "unknown option '--fromat'"},
    {"UnknownFormat",
     {"20", "--format", "pyhton"},
     "unknown format 'pyhton' (csv, c, cpp, numpy, julia, fortran, rust, js, "
     "matlab or json)"},
    {"FormatMissing",
     {"20", "--format"},
     "--format needs a value: csv, c, cpp, numpy, julia, fortran, rust, js, "
     "matlab or json"},
    {"FormatTwice",
     {"20", "--format", "c", "--format", "c"},
     "--format given twice"},
    {"HalfTwice", {"20", "--half", "--half"}, "--half given twice"},
    {"HexTwice", {"20", "--hex", "--hex"}, "--hex given twice"},
    {"HexWithoutLiterals",
     {"20", "--format", "rust", "--hex"},
     "--hex: rust has no hexadecimal floating literals (--hex goes with csv, "
     "c, cpp, numpy, julia)"},
    {"IntervalMissingB",
     {"20", "--interval", "0"},
     "--interval needs two values, A and B"},
    {"IntervalTwice",
     {"20", "--interval", "0", "1", "--interval", "0", "1"},
     "--interval given twice"},
    {"IntervalReversed",
     {"20", "--interval", "3", "1"},
     "interval [3, 1] is reversed: A must be below B"},
    {"IntervalEmpty",
     {"20", "--interval", "1", "1.0"},
     "interval [1, 1.0] is empty: A must be below B"},
    {"IntervalInfinite",
     {"20", "--interval", "0", "inf"},
     "interval end 'inf' is not a finite number"},
    {"IntervalOverflows",
     {"20", "--interval", "0", "1e400"},
     "interval end '1e400' is not a finite number"},
    {"IntervalNaN",
     {"20", "--interval", "nan", "1"},
     "interval end 'nan' is not a finite number"},
    {"IntervalNotANumber",
     {"20", "--interval", "0", "1x"},
     "interval end '1x' is not a finite number"},
    {"IntervalDoubleSign",
     {"20", "--interval", "--1", "1"},
     "interval end '--1' is not a finite number"},
    {"LongArgumentCut",
     {"20", std::string(100, 'y')},
     "unexpected argument 'yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy...' after "
     "the order"},
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class RuleFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(RuleFaults, OneLineNothingOnStdoutStatusOne) {
  const Fault& fault = GetParam();
  std::vector<std::string> argv = {ZEMTA_RULE_EXE};
  argv.insert(argv.end(), fault.arguments.begin(), fault.arguments.end());
  const auto result = run_process(argv);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "zemta-rule: " + std::string(fault.message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Table, RuleFaults, ::testing::ValuesIn(faults),
                         [](const ::testing::TestParamInfo<Fault>& param) {
                           return param.param.name;
                         });

TEST(RuleOutput, FailedWriteIsStatusTwo) {
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{ZEMTA_RULE_EXE, "999", "--format", "c"},
        std::vector<std::string>{ZEMTA_RULE_EXE, "--help"}}) {
    const auto result = run_process(argv, StdoutMode::dev_full);
    EXPECT_EQ(result.exit_status, 2) << argv[1];
    EXPECT_EQ(result.err, "zemta-rule: cannot write standard output\n");
  }
}

TEST(RuleOutput, HelpGoesToStdoutWhateverElseIsGiven) {
  const auto result = run_process({ZEMTA_RULE_EXE, "abc", "--help"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out.rfind("Usage: zemta-rule N ", 0), 0U) << result.out;
}

TEST(RuleOutput, HalfTableIsTheUpperHalfOfTheFullOne) {
  // In CSV every row is one node and its weight, so the half table is the
  // full table's last rows, for odd and even orders and on an interval.
  for (const char* n : {"7", "20"}) {
    for (const bool on_interval : {false, true}) {
      std::vector<std::string> full = {ZEMTA_RULE_EXE, n};
      if (on_interval) {
        full.insert(full.end(), {"--interval", "-2.5", "0x1p-3"});
      }
      std::vector<std::string> half = full;
      half.emplace_back("--half");
      const std::string all = run_process(full).out;
      const std::string upper = run_process(half).out;
      const std::string header = "node,weight\n";
      ASSERT_EQ(upper.rfind(header, 0), 0U);
      const std::string rows = upper.substr(header.size());
      const int count = (std::stoi(n) + 1) / 2;
      int lines = 0;
      for (const char c : rows) {
        lines += c == '\n' ? 1 : 0;
      }
      EXPECT_EQ(lines, count) << n;
      ASSERT_GE(all.size(), rows.size());
      EXPECT_EQ(all.substr(all.size() - rows.size()), rows) << n;
    }
  }
}

}  // namespace
