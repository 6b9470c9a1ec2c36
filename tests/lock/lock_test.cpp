// Every order's standard output and standard error against the digests in
// output_digests.txt, taken from the program as released. A change that moves
// a single bit of one coefficient of one order fails here, even where the
// accuracy checks cannot see it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "cli/run.h"
#include "quadrature/coefficients.h"
#include "support/memory_stream.h"
#include "support/sha256.h"

namespace zemta {
namespace {

using testing::MemoryStream;
using testing::sha256_hex;

struct Digests {
  std::string out;
  std::string err;
};

std::map<int, Digests> read_table() {
  std::map<int, Digests> table;
  std::ifstream file(ZEMTA_LOCK_TABLE);
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line);
    int order = 0;
    Digests d;
    fields >> order >> d.out >> d.err;
    table[order] = d;
  }
  return table;
}

// The orders are split into interleaved shards, so that ctest can run them
// side by side.
constexpr int shards = 4;

class OutputLock : public ::testing::TestWithParam<int> {};

TEST_P(OutputLock, EveryOrderWritesTheLockedBytes) {
  static const std::map<int, Digests> table = read_table();
  ASSERT_EQ(table.size(), static_cast<std::size_t>(max_order - min_order + 1))
      << "output_digests.txt must hold one line per order";

  std::string changed;
  int changes = 0;
  for (int n = min_order + GetParam(); n <= max_order; n += shards) {
    const MemoryStream out;
    const MemoryStream err;
    const std::string order = std::to_string(n);
    const char* argv[] = {"zemta", order.c_str()};
    ASSERT_EQ(run(2, argv, out.file(), err.file()).kind,
              RunOutcome::Kind::success)
        << n;
    const Digests& locked = table.at(n);
    const bool out_changed = sha256_hex(out.text()) != locked.out;
    const bool err_changed = sha256_hex(err.text()) != locked.err;
    if (!out_changed && !err_changed) {
      continue;
    }
    if (++changes <= 10) {
      changed += " " + order + " (" +
                 (out_changed && err_changed ? "stdout and stderr"
                  : out_changed              ? "stdout"
                                             : "stderr") +
                 ")";
    }
  }
  EXPECT_EQ(changes, 0) << changes << " orders differ from the lock; the first:"
                        << changed;
}

INSTANTIATE_TEST_SUITE_P(Shards, OutputLock, ::testing::Range(0, shards));

}  // namespace
}  // namespace zemta
