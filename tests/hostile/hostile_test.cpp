// The built program where its streams fail or vanish and its arguments are
// huge or not text at all. Every case ends in the exit status and message
// the program promises, and a refused argument leaves standard output empty.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/run.h"
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

const std::string too_large = "order must not exceed 999";
const std::string too_small = "order must be at least 2";
const std::string scan_error = "scan error on parameter 1: order";

ProcessResult zemta(std::vector<std::string> args,
                    StdoutMode mode = StdoutMode::capture) {
  args.insert(args.begin(), ZEMTA_EXE);
  return run_process(args, mode);
}

// Runs the program through the shell with `redirections` applied to it,
// e.g. "2>/dev/full"; standard output is captured.
ProcessResult zemta_redirected(const std::string& redirections,
                               const std::string& arg,
                               StdoutMode mode = StdoutMode::capture) {
  return run_process(
      {"/bin/sh", "-c", R"(exec "$0" "$1" )" + redirections, ZEMTA_EXE, arg},
      mode);
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The argument's first bytes, printable, to name a failing case.
std::string shown(const std::string& arg) {
  std::string text;
  for (const char byte : arg.substr(0, 24)) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 0x20 && c < 0x7f) {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      text += escaped;
    }
  }
  return text + (arg.size() > 24
                     ? "... (" + std::to_string(arg.size()) + " bytes)"
                     : "");
}

struct ArgumentCase {
  std::string arg;
  int order;            // the order it selects, or 0
  std::string message;  // the usage error otherwise
};

// Runs every case and checks its status and both streams.
void expect_outcomes(const std::vector<ArgumentCase>& cases) {
  for (const auto& c : cases) {
    const ProcessResult r = zemta({c.arg});
    if (c.order != 0) {
      EXPECT_EQ(r.exit_status, 0) << shown(c.arg);
      EXPECT_NE(r.out.find("DBL GQ" + std::to_string(c.order) + "("),
                std::string::npos)
          << shown(c.arg);
      EXPECT_TRUE(ends_with(r.err, "generating list of raw coefficients\n"))
          << shown(c.arg);
    } else {
      EXPECT_EQ(r.exit_status, 1) << shown(c.arg);
      EXPECT_EQ(r.out, "") << shown(c.arg);
      EXPECT_EQ(r.err, banner + usage(c.message)) << shown(c.arg);
    }
  }
}

// A reader that goes away after the first bytes: the program cannot write its
// output, so it must not report success. It dies of SIGPIPE or, where SIGPIPE
// is ignored, exits 1 with the write failure; what the reader got is the
// start of the real output.
TEST(HostileStreams, ReaderThatClosesTheOutputEarlyNeverSeesSuccess) {
  for (const std::string order : {"100", "999"}) {
    const ProcessResult full = zemta({order});
    ASSERT_EQ(full.exit_status, 0);
    // More than the one-page pipe holds, so the output cannot fit in it.
    ASSERT_GT(full.out.size(), 4096U) << order;

    const ProcessResult r = zemta({order}, StdoutMode::closed_early);
    EXPECT_EQ(r.out, full.out.substr(0, testing::bytes_before_close)) << order;
    if (r.signal != 0) {
      EXPECT_EQ(r.signal, SIGPIPE) << order;
    } else {
      EXPECT_EQ(r.exit_status, 1) << order;
      EXPECT_TRUE(ends_with(r.err, write_failure)) << order << "\n" << r.err;
    }

    const ProcessResult ignored = run_process(
        {"/bin/sh", "-c", R"(trap '' PIPE; exec "$0" "$1")", ZEMTA_EXE, order},
        StdoutMode::closed_early);
    EXPECT_EQ(ignored.signal, 0) << order;
    EXPECT_EQ(ignored.exit_status, 1) << order;
    EXPECT_EQ(ignored.out, full.out.substr(0, testing::bytes_before_close))
        << order;
    EXPECT_TRUE(ends_with(ignored.err, write_failure)) << order << "\n"
                                                       << ignored.err;
    EXPECT_EQ(ignored.err.rfind(banner, 0), 0U) << order;
  }
}

// Standard output that refuses writes from the start: opened for reading
// only. (Closed and full standard output are covered with the other write
// failures.) A write failure is reported whatever the size of the output.
TEST(HostileStreams, StandardOutputOpenedForReadingIsAWriteFailure) {
  for (const std::string order : {"2", "999"}) {
    const ProcessResult r = zemta_redirected("1</dev/null", order);
    EXPECT_EQ(r.exit_status, 1) << order;
    EXPECT_EQ(r.err.rfind(banner, 0), 0U) << order;
    EXPECT_TRUE(ends_with(r.err, write_failure)) << order << "\n" << r.err;
  }
}

// Messages are a courtesy; the output is the product. A standard error that
// is closed or full must not cost the output or the success status.
TEST(HostileStreams, FailingStandardErrorLeavesTheOutputWhole) {
  const ProcessResult full = zemta({"999"});
  ASSERT_EQ(full.exit_status, 0);
  for (const std::string redirection : {"2>&-", "2>/dev/full"}) {
    const ProcessResult r = zemta_redirected(redirection, "999");
    EXPECT_EQ(r.exit_status, 0) << redirection;
    EXPECT_EQ(r.out, full.out) << redirection;
  }
}

// Linux passes no single argument longer than 128 KiB (its terminating zero
// included), so that is the longest an order can be on the command line.
// Only the first digits can matter and the reading must stay linear; runs of
// white space and zeros are not numbers that saturate.
TEST(HostileArguments, LongestArgumentTheSystemPassesIsRead) {
  constexpr std::size_t longest = 128 * 1024 - 1;
  expect_outcomes({
      {std::string(longest, '9'), 0, too_large},
      {"-" + std::string(longest - 1, '7'), 0, too_small},
      {"0x" + std::string(longest - 2, 'F'), 0, too_large},
      {std::string(longest, 'z'), 0, scan_error},
      {std::string(longest, ' '), 0, scan_error},
      {std::string(longest, '-'), 0, scan_error},
      {std::string(longest - 1, '0') + "7", 7, ""},
      {"0x" + std::string(longest - 4, '0') + "1F", 31, ""},
      {std::string(longest - 2, '\t') + "12", 12, ""},
      {"20x" + std::string(longest - 3, '9'), 20, ""},
  });
}

// One megabyte is past what exec passes, so these go through the run
// sequence in this process; the outcome and the untouched output are what
// the program's entry turns into its exit.
TEST(HostileArguments, MegabyteArgumentsGiveTheirUsageErrorAndNoOutput) {
  constexpr std::size_t megabyte = 1 << 20;
  const struct {
    std::string arg;
    const char* message;
  } cases[] = {
      {std::string(megabyte, '9'), "order must not exceed 999"},
      {"-" + std::string(megabyte - 1, '9'), "order must be at least 2"},
      {std::string(megabyte, 'a'), "scan error on parameter 1: order"},
      {std::string(megabyte, '\xff'), "scan error on parameter 1: order"},
  };
  for (const auto& c : cases) {
    std::FILE* out = std::tmpfile();
    std::FILE* diag = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(diag, nullptr);
    const char* argv[] = {"zemta", c.arg.c_str(), nullptr};
    const RunOutcome outcome = run(2, argv, out, diag);
    EXPECT_EQ(outcome.kind, RunOutcome::Kind::usage_error) << shown(c.arg);
    EXPECT_STREQ(outcome.message, c.message) << shown(c.arg);
    EXPECT_EQ(std::ftell(out), 0L) << shown(c.arg);
    std::fclose(out);
    std::fclose(diag);
  }
}

// Bytes a terminal, a shell or another encoding would read differently. Only
// the six C white-space characters are skipped and only ASCII digits count,
// whatever the bytes look like in UTF-8 or Latin-1.
TEST(HostileArguments, ControlBytesAndInvalidUtf8) {
  expect_outcomes({
      {"\x01", 0, scan_error},
      {"\x7f"
       "5",
       0, scan_error},
      {"\x1b[31m5", 0, scan_error},  // colour escape before the number
      {"\x1c"
       "5",
       0, scan_error},  // file separator: not white space
      {"\x85"
       "5",
       0, scan_error},  // Latin-1 next line
      {"\xa0"
       "5",
       0, scan_error},  // Latin-1 no-break space
      {"\xc2\xa0"
       "5",
       0, scan_error},  // UTF-8 no-break space
      {"\xe3\x80\x80"
       "5",
       0, scan_error},                  // ideographic space
      {"\xef\xbc\x95", 0, scan_error},  // fullwidth digit five
      {"\xd9\xa5", 0, scan_error},      // Arabic-Indic digit five
      {"\xc0\xb5", 0, scan_error},      // overlong encoding of '5'
      {"\xed\xa0\x80"
       "5",
       0, scan_error},  // a surrogate
      {"\xff\xfe"
       "5",
       0, scan_error},
      {"+\t5", 0, scan_error},  // white space after the sign
      {"0x\x01"
       "5",
       0, scan_error},
      {"\x80", 0, scan_error},
      {"\t\n\v\f\r 5", 5, ""},  // the six C white-space characters
      {"5\x1b[0m", 5, ""},      // reading stops at the escape
      {"6\xff\xfe", 6, ""},
      {"7\xc2\xa0"
       "9",
       7, ""},
      {"0x1F\x01", 31, ""},
      {"1\r\n", 0, too_small},
      {"\v-4\x7f", 0, too_small},
  });
}

}  // namespace
}  // namespace zemta
