#include "emit/fortran_source.h"

#include <gtest/gtest.h>

#include "emitter_capture.h"

namespace zemta {
namespace {

using namespace capture;

TEST(FortranSource, Order2Text) {
  const Emitted e = emit(emit_fortran_source, 2, order2_table());
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.diag, "generating FORTRAN source code\n");
  EXPECT_EQ(e.out,
            "      FUNCTION GQ2(F,A,B)\n"
            "C 2-pt Gauss qaudrature\n"
            "      IMPLICIT INTEGER*4(I-M),REAL*8(A-H,O-Z)\n"
            "      DATA X0/0.5773502691896257300/\n"
            "      C=(A+B)/2\n"
            "      D=(B-A)/2\n"
            "      GQ2=(F(C-D*X0)+F(C+D*X0))*D\n"
            "      RETURN\n"
            "      END\n");
}

TEST(FortranSource, Order5Text) {
  const Emitted e = emit(emit_fortran_source, 5, order5_table());
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.out,
            "      FUNCTION GQ5(F,A,B)\n"
            "C 5-pt Gauss qaudrature\n"
            "      IMPLICIT INTEGER*4(I-M),REAL*8(A-H,O-Z)\n"
            "      DIMENSION X(3),W(3)\n"
            "      DATA X/               0.0000000000000000000,"
            "0.2500000000000000000,\n"
            "     &0.7500000000000000000/\n"
            "      DATA W/               0.5000000000000000000,"
            "0.5000000000000000000,\n"
            "     &0.2500000000000000000/\n"
            "      C=(A+B)/2\n"
            "      D=(B-A)/2\n"
            "      GQ5=W(1)*F(C)\n"
            "      DO I=2,3\n"
            "        GQ5=GQ5+W(I)*(F(C-D*X(I))+F(C+D*X(I)))\n"
            "      ENDDO\n"
            "      GQ5=GQ5*D\n"
            "      RETURN\n"
            "      END\n");
}

TEST(FortranSource, Order3DataForX1W0W1) {
  const Table table{{0.0, 0x1.8c97ef43f7248p-1}, {8.0 / 9.0, 5.0 / 9.0}};
  const Emitted e = emit(emit_fortran_source, 3, table);
  EXPECT_TRUE(contains(e.out,
                       "\n      DATA X1/0.7745966692414834000/\n"
                       "      DATA W0,W1/0.8888888888888888400,"
                       "0.5555555555555555800/\n"));
  EXPECT_TRUE(contains(e.out,
                       "\n      GQ3=(W0*F(C)+W1*(F(C-D*X1)+F(C+D*X1)))*D\n"
                       "      RETURN\n"));
  EXPECT_FALSE(contains(e.out, "X0"));
  EXPECT_FALSE(contains(e.out, "DO I"));
}

TEST(FortranSource, Order4HasNoLeadInAndLoopsFrom1) {
  const Emitted e = emit(emit_fortran_source, 4);
  const auto l = lines(e.out);
  ASSERT_GE(l.size(), 6U);
  EXPECT_EQ(l[3], "      DIMENSION X(2),W(2)");
  EXPECT_EQ(l[4].substr(0, 14), "      DATA X/0");
  EXPECT_EQ(l[4].size(), 13 + 21 + 1 + 21 + 1);
  EXPECT_EQ(l[4].back(), '/');
  EXPECT_EQ(l[5].substr(0, 14), "      DATA W/0");
  EXPECT_TRUE(contains(e.out, "\n      GQ4=0\n      DO I=1,2\n"));
}

TEST(FortranSource, Order999DimensionsAndLoop) {
  const Emitted e = emit(emit_fortran_source, 999);
  EXPECT_TRUE(contains(e.out,
                       "      FUNCTION GQ999(F,A,B)\n"
                       "C 999-pt Gauss qaudrature\n"));
  EXPECT_TRUE(contains(e.out, "      DIMENSION X(500),W(500)\n"));
  EXPECT_TRUE(contains(e.out,
                       "      GQ999=W(1)*F(C)\n      DO I=2,500\n"
                       "        GQ999=GQ999+W(I)*"));
  EXPECT_TRUE(contains(e.out, "      ENDDO\n      GQ999=GQ999*D\n"));
}

}  // namespace
}  // namespace zemta
