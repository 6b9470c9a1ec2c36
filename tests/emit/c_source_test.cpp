#include "emit/c_source.h"

#include <gtest/gtest.h>

#include "emitter_capture.h"

namespace zemta {
namespace {

using namespace capture;

TEST(CSource, Order2Text) {
  const Emitted e = emit(emit_c_source, 2, order2_table());
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.diag, "generating C source code\n");
  EXPECT_EQ(e.out,
            "#include <float.h>\n"
            "#include <math.h>\n"
            "typedef long double DBL;\n"
            "\n"
            "DBL GQ2(DBL F(DBL),DBL A,DBL B)      /* 2-pt Gauss qaudrature */\n"
            "  {\n"
            "  static DBL X0=0.5773502691896257300;\n"
            "  DBL C,D;\n"
            "  C=(A+B)/2;\n"
            "  D=(B-A)/2;\n"
            "  return((F(C-D*X0)+F(C+D*X0))*D);\n"
            "  }\n");
}

TEST(CSource, Order5Text) {
  const Emitted e = emit(emit_c_source, 5, order5_table());
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.out,
            "#include <float.h>\n"
            "#include <math.h>\n"
            "typedef long double DBL;\n"
            "\n"
            "DBL GQ5(DBL F(DBL),DBL A,DBL B)      /* 5-pt Gauss qaudrature */\n"
            "  {\n"
            "  static DBL X[3]={        0.0000000000000000000,"
            "0.2500000000000000000,\n"
            "    0.7500000000000000000};\n"
            "  static DBL W[3]={        0.5000000000000000000,"
            "0.5000000000000000000,\n"
            "    0.2500000000000000000};\n"
            "  int i;\n"
            "  DBL C,D,Q;\n"
            "  C=(A+B)/2;\n"
            "  D=(B-A)/2;\n"
            "  Q=W[0]*F(C);\n"
            "  for(i=1;i<3;i++)\n"
            "    Q+=W[i]*(F(C-D*X[i])+F(C+D*X[i]));\n"
            "  return(Q*D);\n"
            "  }\n");
}

TEST(CSource, Order3NamesBothWeightsAndSkipsTheZeroNode) {
  const Table table{{0.0, 0x1.8c97ef43f7248p-1}, {8.0 / 9.0, 5.0 / 9.0}};
  const Emitted e = emit(emit_c_source, 3, table);
  EXPECT_TRUE(contains(e.out, "  static DBL X1=0.7745966692414834000;\n"));
  EXPECT_TRUE(contains(e.out,
                       "  static DBL W0=0.8888888888888888400,"
                       "W1=0.5555555555555555800;\n"));
  EXPECT_TRUE(contains(
      e.out, "  return((W0*F(C)+W1*(F(C-D*X1)+F(C+D*X1)))*D);\n  }\n"));
  EXPECT_FALSE(contains(e.out, "X0"));
  EXPECT_FALSE(contains(e.out, "X["));
}

TEST(CSource, Order4HasNoLeadInAndAnEvenLoop) {
  const Emitted e = emit(emit_c_source, 4);
  const auto l = lines(e.out);
  ASSERT_GE(l.size(), 12U);
  // Both values on the header line, directly after the brace.
  EXPECT_EQ(l[6].substr(0, 20), "  static DBL X[2]={0");
  EXPECT_EQ(l[6].size(), 19 + 21 + 1 + 21 + 2);
  EXPECT_EQ(l[7].substr(0, 20), "  static DBL W[2]={0");
  EXPECT_TRUE(contains(e.out, "  Q=0;\n  for(i=0;i<2;i++)\n"));
}

TEST(CSource, Order999LoopsOver500Pairs) {
  const Emitted e = emit(emit_c_source, 999);
  EXPECT_TRUE(contains(e.out,
                       "DBL GQ999(DBL F(DBL),DBL A,DBL B)      "
                       "/* 999-pt Gauss qaudrature */\n"));
  EXPECT_TRUE(contains(e.out, "  static DBL X[500]={        0.0000000000"));
  EXPECT_TRUE(contains(e.out, "  static DBL W[500]={        "));
  EXPECT_TRUE(contains(e.out, "  Q=W[0]*F(C);\n  for(i=1;i<500;i++)\n"));
}

}  // namespace
}  // namespace zemta
