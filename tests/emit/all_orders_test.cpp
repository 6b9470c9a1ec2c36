// Layout properties checked for every order the program accepts, and the
// emitters' report of failed writes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "emit/c_source.h"
#include "emit/fortran_source.h"
#include "emit/raw_list.h"
#include "emitter_capture.h"
#include "quadrature/coefficients.h"

namespace zemta {
namespace {

using namespace capture;

constexpr int lowest_order = min_order;
constexpr int highest_order = max_order;

const Emitter emitters[] = {emit_c_source, emit_fortran_source, emit_raw_list};

// Lines from the one starting with `head` to the first one ending in "};".
int array_line_count(const std::vector<std::string>& lines,
                     const std::string& head) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(head, 0) != 0) {
      continue;
    }
    for (std::size_t j = i; j < lines.size(); ++j) {
      if (lines[j].ends_with("};")) {
        return static_cast<int>(j - i + 1);
      }
    }
  }
  return -1;
}

TEST(AllOrders, CArraysHoldTwoThenThreeValuesPerLine) {
  for (int n = 4; n <= highest_order; ++n) {
    const int half_count = (n + 1) / 2;
    const int expected = 1 + (half_count - 2 + 2) / 3;  // 1 + ceil((h - 2) / 3)
    const auto l = lines(emit(emit_c_source, n).out);
    ASSERT_EQ(array_line_count(l, "  static DBL X["), expected)
        << "order " << n;
    ASSERT_EQ(array_line_count(l, "  static DBL W["), expected)
        << "order " << n;
  }
}

TEST(AllOrders, FortranLinesStayWithin72Columns) {
  for (int n = lowest_order; n <= highest_order; ++n) {
    const Emitted e = emit(emit_fortran_source, n);
    for (const auto& line : lines(e.out)) {
      ASSERT_LE(line.size(), 72U) << "order " << n << ": " << line;
    }
  }
}

// The values of the array whose header starts with `head`, read back.
std::vector<double> parse_list(const std::string& text,
                               const std::string& head) {
  std::vector<double> values;
  const auto start = text.find(head);
  if (start == std::string::npos) {
    return values;
  }
  const char* p = text.c_str() + text.find("={", start) + 2;
  for (;;) {
    char* end = nullptr;
    values.push_back(std::strtod(p, &end));
    if (end == p || (*end != ',' && *end != '}')) {
      return {};
    }
    if (*end == '}') {
      return values;
    }
    p = end + 1;
  }
}

TEST(AllOrders, RawListIsAscendingAndSymmetric) {
  for (int n = lowest_order; n <= highest_order; ++n) {
    const Emitted e = emit(emit_raw_list, n);
    // The headers name the arrays A<n>[<n>] and W<n>[<n>].
    std::string suffix = std::to_string(n);
    suffix += '[';
    suffix += std::to_string(n);
    suffix += ']';
    const auto nodes = parse_list(e.out, "\nDBL A" + suffix);
    const auto weights = parse_list(e.out, "\nDBL W" + suffix);
    ASSERT_EQ(nodes.size(), static_cast<std::size_t>(n)) << "order " << n;
    ASSERT_EQ(weights.size(), static_cast<std::size_t>(n)) << "order " << n;
    for (std::size_t j = 0; j < nodes.size(); ++j) {
      const std::size_t mirror = nodes.size() - 1 - j;
      if (j > 0) {
        ASSERT_LT(nodes[j - 1], nodes[j]) << "order " << n << ", node " << j;
      }
      ASSERT_NEAR(nodes[j] + nodes[mirror], 1.0, 1e-15)
          << "order " << n << ", node " << j;
      ASSERT_EQ(weights[j], weights[mirror])
          << "order " << n << ", weight " << j;
    }
  }
}

// Writes to /dev/full fail at once when the stream is unbuffered.
TEST(WriteFailures, EveryEmitterReportsAFailedWrite) {
  for (const Emitter emitter : emitters) {
    for (int n : {2, 3, 5}) {
      std::FILE* full = std::fopen("/dev/full", "w");
      ASSERT_NE(full, nullptr);
      std::setvbuf(full, nullptr, _IONBF, 0);
      MemoryStream diag;
      const Table table = synthetic_table(n);
      EXPECT_FALSE(emit_to(full, emitter, n, table.abscissas.data(),
                           table.weights.data(), diag.file()))
          << "order " << n;
      std::fclose(full);
    }
  }
}

// A stream's error flag stays set once raised; an emitter whose own writes
// all succeed must not report the older error.
TEST(WriteFailures, EarlierErrorOnTheStreamIsNotReported) {
  for (const Emitter emitter : emitters) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    std::fgetc(sink);  // reading a write-only stream sets its error flag
    ASSERT_TRUE(std::ferror(sink));
    MemoryStream diag;
    const Table table = synthetic_table(6);
    EXPECT_TRUE(emit_to(sink, emitter, 6, table.abscissas.data(),
                        table.weights.data(), diag.file()));
    std::fclose(sink);
  }
}

}  // namespace
}  // namespace zemta
