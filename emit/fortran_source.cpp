#include "emit/fortran_source.h"

#include "emit/output_text.h"
#include "quadrature/coefficients.h"

namespace zemta {

namespace {

// One DATA statement: two values on the first line, after a fifteen-space
// lead-in except at order 4, and three on each continuation line. With the
// lead-in both kinds of line end exactly at column 72 (13 + 15 + 2 * 22 and
// 6 + 3 * 22 characters).
void put_data(detail::OutputText& text, int n, const char* name,
              const double* values) {
  const int entries = half_count(n);
  text.put("      DATA ");
  text.put(name);
  text.put("/");
  text.put_array_values(n, "               ", values, entries, "\n     &",
                        "/\n");
}

}  // namespace

bool emit_fortran_source(int n, const double* abscissas, const double* weights,
                         TextSink& out, std::FILE* diag) {
  detail::announce(diag, "generating FORTRAN source code\n");
  detail::OutputText text(out);
  const int entries = half_count(n);

  text.put("      FUNCTION GQ");
  text.put(n);
  text.put("(F,A,B)\n");
  text.put("C ");
  text.put(n);
  text.put("-pt Gauss qaudrature\n");  // so spelled (output_text.h)
  text.put("      IMPLICIT INTEGER*4(I-M),REAL*8(A-H,O-Z)\n");

  if (n == 2) {
    text.put("      DATA X0/");
    text.put_coefficient(abscissas[0]);
    text.put("/\n");
  } else if (n == 3) {
    text.put("      DATA X1/");
    text.put_coefficient(abscissas[1]);
    text.put("/\n");
    text.put("      DATA W0,W1/");
    text.put_coefficient(weights[0]);
    text.put(",");
    text.put_coefficient(weights[1]);
    text.put("/\n");
  } else {
    text.put("      DIMENSION X(");
    text.put(entries);
    text.put("),W(");
    text.put(entries);
    text.put(")\n");
    put_data(text, n, "X", abscissas);
    put_data(text, n, "W", weights);
  }

  text.put("      C=(A+B)/2\n");
  text.put("      D=(B-A)/2\n");
  // The function's own name accumulates the sum.
  const auto put_name = [&text, n] {
    text.put("GQ");
    text.put(n);
  };
  if (n == 2) {
    text.put("      ");
    put_name();
    text.put("=(F(C-D*X0)+F(C+D*X0))*D\n");
  } else if (n == 3) {
    text.put("      ");
    put_name();
    text.put("=(W0*F(C)+W1*(F(C-D*X1)+F(C+D*X1)))*D\n");
  } else {
    // For odd orders X(1) is the middle node 0, counted once before the
    // loop over the symmetric pairs.
    text.put("      ");
    put_name();
    if (n % 2 == 1) {
      text.put("=W(1)*F(C)\n");
      text.put("      DO I=2,");
    } else {
      text.put("=0\n");
      text.put("      DO I=1,");
    }
    text.put(entries);
    text.put("\n");
    text.put("        ");
    put_name();
    text.put("=");
    put_name();
    text.put("+W(I)*(F(C-D*X(I))+F(C+D*X(I)))\n");
    text.put("      ENDDO\n");
    text.put("      ");
    put_name();
    text.put("=");
    put_name();
    text.put("*D\n");
  }

  text.put("      RETURN\n");
  text.put("      END\n");
  return text.ok();
}

}  // namespace zemta
