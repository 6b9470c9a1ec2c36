// The run sequence in process: what cannot be provoked from the command
// line, a table allocation that fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/run.h"

namespace zemta {
namespace {

// Fails the allocation with the given number (1 or 2), serves the others.
int allocations = 0;
int failing_allocation = 0;
void* failing_calloc(std::size_t count, std::size_t size) {
  ++allocations;
  return allocations == failing_allocation ? nullptr : std::calloc(count, size);
}

std::string read_all(std::FILE* stream) {
  std::rewind(stream);
  std::string text;
  for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
    text.push_back(static_cast<char>(c));
  }
  return text;
}

TEST(RunSequence, FailedTableAllocationIsFatalBeforeAnyOutput) {
  struct Case {
    int failing;
    long code;
  };
  for (const Case c : {Case{1, 460}, Case{2, 463}}) {
    allocations = 0;
    failing_allocation = c.failing;
    std::FILE* out = std::tmpfile();
    std::FILE* diag = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(diag, nullptr);
    const char* argv[] = {"zemta", "20"};
    const RunOutcome outcome = run(2, argv, out, diag, failing_calloc);
    EXPECT_EQ(outcome.kind, RunOutcome::Kind::fatal_error);
    EXPECT_EQ(outcome.code, c.code);
    EXPECT_STREQ(outcome.message, "can't allocate memory");
    EXPECT_EQ(read_all(out), "");
    // The banner, and nothing of the computation.
    const std::string text = read_all(diag);
    EXPECT_EQ(text.rfind("ZEMTA/V" ZEMTA_VERSION ": ", 0), 0U);
    EXPECT_EQ(text.find("computing"), std::string::npos);
    std::fclose(out);
    std::fclose(diag);
  }
}

}  // namespace
}  // namespace zemta
