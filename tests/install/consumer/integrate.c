/* Integrates exp over [0, 1] with the generated C function and with the
   generated raw list; prints both and fails when either is off e - 1 by
   more than 1e-15. GQ_ORDER comes from the build. */
#include <math.h>
#include <stdio.h>

typedef long double DBL;

#define PASTE_(a, b) a##b
#define PASTE(a, b) PASTE_(a, b)
#define GQ PASTE(GQ, GQ_ORDER)
#define NODES PASTE(A, GQ_ORDER)
#define WEIGHTS PASTE(W, GQ_ORDER)

DBL GQ(DBL F(DBL), DBL A, DBL B);
extern DBL NODES[GQ_ORDER];
extern DBL WEIGHTS[GQ_ORDER];

static DBL f(DBL x) { return expl(x); }

int main(void) {
  const DBL exact = expm1l(1.0L);
  DBL raw = 0;
  int i;
  for (i = 0; i < GQ_ORDER; ++i) {
    raw += WEIGHTS[i] * f(NODES[i]);
  }
  const DBL function = GQ(f, 0, 1);
  printf("C GQ%d %.18Lg error %.2Le\n", GQ_ORDER, function, function - exact);
  printf("raw A%d W%d %.18Lg error %.2Le\n", GQ_ORDER, GQ_ORDER, raw,
         raw - exact);
  return fabsl(function - exact) <= 1e-15L && fabsl(raw - exact) <= 1e-15L ? 0
                                                                           : 1;
}
