#include "emit/c_source.h"

#include "emit/output_text.h"
#include "quadrature/coefficients.h"

namespace zemta {

namespace {

// One array initialiser: two values on the first line, after an eight-space
// lead-in except at order 4, and three on each further line indented by
// four spaces.
void put_array(detail::OutputText& text, int n, const char* name,
               const double* values) {
  const int entries = half_count(n);
  text.put("  static DBL ");
  text.put(name);
  text.put("[");
  text.put(entries);
  text.put("]={");
  text.put_array_values(n, "        ", values, entries, "\n    ", "};\n");
}

}  // namespace

bool emit_c_source(int n, const double* abscissas, const double* weights,
                   TextSink& out, std::FILE* diag) {
  detail::announce(diag, "generating C source code\n");
  detail::OutputText text(out);
  const int entries = half_count(n);

  text.put("#include <float.h>\n");
  text.put("#include <math.h>\n");
  text.put("typedef long double DBL;\n\n");
  text.put("DBL GQ");
  text.put(n);
  // "qaudrature" and the split comment markers are deliberate
  // (output_text.h).
  text.put("(DBL F(DBL),DBL A,DBL B)      /");
  text.put("* ");
  text.put(n);
  text.put("-pt Gauss qaudrature *");
  text.put("/\n  {\n");

  if (n == 2) {
    text.put("  static DBL X0=");
    text.put_coefficient(abscissas[0]);
    text.put(";\n");
    text.put("  DBL C,D;\n");
    text.put("  C=(A+B)/2;\n");
    text.put("  D=(B-A)/2;\n");
    text.put("  return((F(C-D*X0)+F(C+D*X0))*D);\n");
  } else if (n == 3) {
    text.put("  static DBL X1=");
    text.put_coefficient(abscissas[1]);
    text.put(";\n");
    text.put("  static DBL W0=");
    text.put_coefficient(weights[0]);
    text.put(",W1=");
    text.put_coefficient(weights[1]);
    text.put(";\n");
    text.put("  DBL C,D;\n");
    text.put("  C=(A+B)/2;\n");
    text.put("  D=(B-A)/2;\n");
    text.put("  return((W0*F(C)+W1*(F(C-D*X1)+F(C+D*X1)))*D);\n");
  } else {
    put_array(text, n, "X", abscissas);
    put_array(text, n, "W", weights);
    text.put("  int i;\n");
    text.put("  DBL C,D,Q;\n");
    text.put("  C=(A+B)/2;\n");
    text.put("  D=(B-A)/2;\n");
    // For odd orders X[0] is the middle node 0: it is counted once, outside
    // the loop over the symmetric pairs.
    if (n % 2 == 1) {
      text.put("  Q=W[0]*F(C);\n");
      text.put("  for(i=1;i<");
    } else {
      text.put("  Q=0;\n");
      text.put("  for(i=0;i<");
    }
    text.put(entries);
    text.put(";i++)\n");
    text.put("    Q+=W[i]*(F(C-D*X[i])+F(C+D*X[i]));\n");
    text.put("  return(Q*D);\n");
  }

  text.put("  }\n");
  return text.ok();
}

}  // namespace zemta
