// zemta-rule's faults as a user meets them: the program run as a process
// with bad arguments or an unwritable standard output. Each must leave
// standard output empty, write exactly one line naming the fault, and exit
// with the status the manual page gives.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "rule/quadrature/families.h"
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
     "matlab, json or c-function)"},
    {"FormatMissing",
     {"20", "--format"},
     "--format needs a value: csv, c, cpp, numpy, julia, fortran, rust, js, "
     "matlab, json or c-function"},
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
     "interval [1, 1.0] is empty: both ends are the double 1.0; A must be "
     "below B"},
    {"IntervalEndsRoundTogether",
     {"20", "--interval", "1", "1.00000000000000001"},
     "interval [1, 1.00000000000000001] is empty: both ends are the double "
     "1.0; A must be below B"},
    {"IntervalInfinite",
     {"20", "--interval", "0", "inf"},
     "interval end 'inf' is not a finite number"},
    {"IntervalNaN",
     {"20", "--interval", "NaN", "1"},
     "interval end 'NaN' is not a finite number"},
    {"IntervalOverflows",
     {"20", "--interval", "0", "1e400"},
     "interval end '1e400' overflows: its nearest double is infinity (the "
     "largest finite double is 1.7976931348623157e308)"},
    {"IntervalHexOverflows",
     {"20", "--interval", "-0x1.fffffffffffff8p1023", "0"},
     "interval end '-0x1.fffffffffffff8p1023' overflows: its nearest double "
     "is -infinity (the largest finite double is 1.7976931348623157e308)"},
    {"IntervalUnderflows",
     {"20", "--interval", "0", "1e-400"},
     "interval end '1e-400' underflows: its nearest double is 0 (the least "
     "positive double is 5.0e-324)"},
    {"IntervalHexUnderflows",
     {"20", "--interval", "-0x1p-1075", "1"},
     "interval end '-0x1p-1075' underflows: its nearest double is -0 (the "
     "least positive double is 5.0e-324)"},
    {"IntervalNotANumber",
     {"20", "--interval", "0", "1x"},
     "interval end '1x' is not a number (a decimal such as -2.5e-3 or a "
     "hexadecimal float such as 0x1.8p1)"},
    {"IntervalDoubleSign",
     {"20", "--interval", "+-1", "1"},
     "interval end '+-1' is not a number (a decimal such as -2.5e-3 or a "
     "hexadecimal float such as 0x1.8p1)"},
    {"IntervalEndIsAnOption",
     {"20", "--interval", "--help", "1"},
     "interval end '--help' is not a number (a decimal such as -2.5e-3 or a "
     "hexadecimal float such as 0x1.8p1)"},
    {"IntervalAttached",
     {"20", "--interval=0", "1"},
     "--interval takes its two values as separate arguments: --interval A B"},
    {"FlagWithValue", {"20", "--half=yes"}, "--half takes no value"},
    {"UnknownFormatAttached",
     {"20", "--format="},
     "unknown format '' (csv, c, cpp, numpy, julia, fortran, rust, js, "
     "matlab, json or c-function)"},
    {"OptionAfterDoubleDash",
     {"--", "20", "--half"},
     "unexpected argument '--half' after the order"},
    {"NegativeOrderAfterDoubleDash",
     {"--", "-20"},
     "order '-20' is not a decimal number from 2 to 999"},
    {"UnknownRule",
     {"20", "--rule", "gauss"},
     "unknown rule 'gauss' (legendre, lobatto, radau, radau-right, kronrod, "
     "chebyshev1, chebyshev2, hermite, hermite-prob, laguerre or jacobi)"},
    {"RuleMissing",
     {"20", "--rule"},
     "--rule needs a value: legendre, lobatto, radau, radau-right, kronrod, "
     "chebyshev1, chebyshev2, hermite, hermite-prob, laguerre or jacobi"},
    {"RuleTwice",
     {"20", "--rule", "jacobi", "--rule=jacobi"},
     "--rule given twice"},
    {"LegendreNamedKeepsItsRange",
     {"1", "--rule", "legendre"},
     "order '1' is not a decimal number from 2 to 999"},
    {"OrderBelowTheFamilysRange",
     {"1", "--rule", "lobatto"},
     "order '1' is not a decimal number from 2 to 999 for the lobatto rule"},
    {"OrderReadAfterARuleThatFollows",
     {"0", "--rule=radau"},
     "order '0' is not a decimal number from 1 to 999 for the radau rule"},
    {"AlphaForAFamilyWithout",
     {"5", "--alpha", "0.5"},
     "--alpha: the legendre rule takes no alpha (--alpha goes with laguerre, "
     "jacobi)"},
    {"BetaForLaguerre",
     {"5", "--rule=laguerre", "--beta=1"},
     "--beta: the laguerre rule takes no beta (--beta goes with jacobi)"},
    {"AlphaNotAboveMinusOne",
     {"5", "--rule", "jacobi", "--alpha", "-1"},
     "alpha '-1' is not above -1 (the weight function would not be "
     "integrable)"},
    {"BetaNaN",
     {"5", "--rule", "jacobi", "--beta", "nan"},
     "beta 'nan' is not a finite number"},
    {"AlphaOverflows",
     {"5", "--rule", "laguerre", "--alpha=0x1p1024"},
     "alpha '0x1p1024' overflows: its nearest double is infinity (the "
     "largest finite double is 1.7976931348623157e308)"},
    {"AlphaIsTheNextArgument",
     {"5", "--rule", "jacobi", "--alpha", "--half"},
     "alpha '--half' is not a number (a decimal such as -2.5e-3 or a "
     "hexadecimal float such as 0x1.8p1)"},
    {"AlphaMissing",
     {"5", "--rule", "jacobi", "--alpha"},
     "--alpha needs a value above -1"},
    {"BetaTwice", {"5", "--beta", "0", "--beta", "0"}, "--beta given twice"},
    {"ScaledWithoutAScaledForm",
     {"5", "--rule", "chebyshev1", "--scaled"},
     "--scaled: the chebyshev1 rule has no scaled weights (--scaled goes "
     "with hermite, hermite-prob, laguerre)"},
    {"ScaledWithValue", {"5", "--scaled=yes"}, "--scaled takes no value"},
    {"IntervalOnTheWholeLine",
     {"5", "--rule", "hermite", "--interval", "0", "1"},
     "--interval: the hermite rule is on the whole line; --interval needs a "
     "rule on [-1, 1]"},
    {"IntervalOnTheHalfLine",
     {"5", "--interval", "0", "1", "--rule", "laguerre"},
     "--interval: the laguerre rule is on the half line [0, infinity); "
     "--interval needs a rule on [-1, 1]"},
    {"HalfOfAnAsymmetricRule",
     {"5", "--rule", "radau-right", "--half"},
     "--half: the radau-right rule is not symmetric about its midpoint "
     "(--half goes with legendre, lobatto, kronrod, chebyshev1, chebyshev2, "
     "hermite, hermite-prob, jacobi)"},
    {"HalfOfJacobiWithAlphaNotBeta",
     {"5", "--rule", "jacobi", "--alpha", "0.5", "--half"},
     "--half: the jacobi rule is symmetric only when alpha equals beta"},
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

TEST(RuleArguments, SpellingsOfTheSameRuleWriteTheSameBytes) {
  // GNU option forms, and interval ends as users type them: each pair of
  // command lines names one rule.
  const std::vector<
      std::pair<std::vector<std::string>, std::vector<std::string>>>
      pairs = {
          {{"20", "--format=c"}, {"20", "--format", "c"}},
          {{"--half", "--", "7"}, {"7", "--half"}},
          {{"7", "--interval", "+1", "0x1p1"}, {"7", "--interval", "1", "2"}},
          {{"20", "--rule=legendre", "--format", "c"}, {"20", "--format=c"}},
          {{"--rule", "legendre", "7", "--half"}, {"7", "--half"}},
          {{"7", "--interval", ".5", "1.5E1"},
           {"7", "--interval", "0.5", "15"}},
          {{"2", "--interval", "4.9e-324", "1e-323", "--hex"},
           {"2", "--interval", "0x1p-1074", "0X0.0000000000002P-1022",
            "--hex"}},
      };
  for (const auto& [typed, plain] : pairs) {
    std::vector<std::string> first = {ZEMTA_RULE_EXE};
    first.insert(first.end(), typed.begin(), typed.end());
    std::vector<std::string> second = {ZEMTA_RULE_EXE};
    second.insert(second.end(), plain.begin(), plain.end());
    const auto one = run_process(first);
    const auto other = run_process(second);
    EXPECT_EQ(one.exit_status, 0) << one.err;
    EXPECT_NE(one.out, "");
    EXPECT_EQ(one.out, other.out) << typed[0] << " " << typed[1];
  }
}

TEST(RuleOutput, IntervalTooNarrowForDoublesIsWrittenWithAWarning) {
  const auto result = run_process(
      {ZEMTA_RULE_EXE, "999", "--interval", "1", "0x1.0000000001p0"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out.rfind("node,weight\n", 0), 0U);
  EXPECT_EQ(result.err,
            "zemta-rule: warning: in doubles the rule of order 999 on this "
            "interval has 48 nodes equal to the one before them and 14 nodes "
            "equal to an end; the table is written as computed\n");
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
