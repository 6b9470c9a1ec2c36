#include "emit/raw_list.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "emitter_capture.h"

namespace zemta {
namespace {

using namespace capture;

TEST(RawList, Order2Text) {
  const Emitted e = emit(emit_raw_list, 2, order2_table());
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.diag, "generating list of raw coefficients\n");
  // (1 - x) / 2 and (x + 1) / 2 are exact in double for this x.
  EXPECT_EQ(e.out,
            "\n"
            "DBL A2[2]={             0.2113248654051871300,"
            "0.7886751345948128700};\n"
            "\n"
            "DBL W2[2]={             0.5000000000000000000,"
            "0.5000000000000000000};\n"
            "\n");
}

TEST(RawList, Order5Text) {
  const Emitted e = emit(emit_raw_list, 5, order5_table());
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.out,
            "\n"
            "DBL A5[5]={             0.1250000000000000000,"
            "0.3750000000000000000,\n"
            "  0.5000000000000000000,0.6250000000000000000,"
            "0.8750000000000000000};\n"
            "\n"
            "DBL W5[5]={             0.1250000000000000000,"
            "0.2500000000000000000,\n"
            "  0.2500000000000000000,0.2500000000000000000,"
            "0.1250000000000000000};\n"
            "\n");
}

TEST(RawList, Order3MapsTheRuleOntoZeroOne) {
  const Table table{{0.0, 0x1.8c97ef43f7248p-1}, {8.0 / 9.0, 5.0 / 9.0}};
  const Emitted e = emit(emit_raw_list, 3, table);
  const auto l = lines(e.out);
  ASSERT_EQ(l.size(), 7U);
  // Values start in column 25: 24 columns of header and padding.
  const auto value = [&l](std::size_t line, std::size_t column) {
    return std::strtod(l[line].c_str() + column, nullptr);
  };
  const double sqrt_0_6 = 0.77459666924148337703585307995648;
  EXPECT_NEAR(value(1, 24), (1 - sqrt_0_6) / 2, 1e-16);
  EXPECT_EQ(l[1].substr(24 + 22, 21), "0.5000000000000000000");
  EXPECT_NEAR(value(2, 2), (1 + sqrt_0_6) / 2, 1e-16);
  EXPECT_NEAR(value(4, 24), 5.0 / 18.0, 1e-16);
  EXPECT_NEAR(value(4, 24 + 22), 4.0 / 9.0, 1e-16);
  EXPECT_NEAR(value(5, 2), 5.0 / 18.0, 1e-16);
}

TEST(RawList, Order7MiddleIsExactlyOneHalfAfterTheLineBreak) {
  const Emitted e = emit(emit_raw_list, 7);
  const auto l = lines(e.out);
  ASSERT_EQ(l.size(), 9U);
  // Positions 0-1 on the header line, 2-4 on the next, 5-6 on the last.
  EXPECT_EQ(l[1].size(), 24 + 2 * 22);
  EXPECT_EQ(l[2].substr(0, 2), "  ");
  EXPECT_EQ(l[2].substr(2 + 22, 22), "0.5000000000000000000,");
  EXPECT_EQ(l[3].size(), 2 + 2 * 22 + 1);
  // The middle weight is weights[0] / 2 = 1/4 for the synthetic table.
  EXPECT_EQ(l[6].substr(2 + 22, 22), "0.2500000000000000000,");
}

TEST(RawList, HeaderPaddingReachesColumn25) {
  struct Case {
    int n;
    const char* start;
  };
  for (const Case c : {Case{2, "\nDBL A2[2]={             0"},
                       Case{10, "\nDBL A10[10]={           0"},
                       Case{100, "\nDBL A100[100]={         0"},
                       Case{999, "\nDBL A999[999]={         0"}}) {
    const Emitted e = emit(emit_raw_list, c.n);
    EXPECT_EQ(e.out.substr(0, 26), c.start) << "order " << c.n;
  }
}

}  // namespace
}  // namespace zemta
