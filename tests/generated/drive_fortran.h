/*
 * Driver for the FORTRAN functions GQn(F,A,B), called from C: gfortran
 * names FUNCTION GQn as gqn_, passes every argument by reference and
 * returns a REAL*8 as a double. F is the EXTERNAL argument, called the same
 * way. Included by a generated file that defines FOR_EACH_ORDER.
 */
/* The function sums in double: see check.h. */
#define SUM_ROUNDING 0.25L
#include "check.h"

static double call_f(const double* x) { return (double)eval_f(*x); }

typedef double (*fortran_f)(const double*);
typedef double (*fortran_rule)(fortran_f, const double*, const double*);

#ifdef __cplusplus
#define ORDER_DECLARE(n) \
  extern "C" double gq##n##_(fortran_f, const double*, const double*);
#else
#define ORDER_DECLARE(n) \
  extern double gq##n##_(fortran_f, const double*, const double*);
#endif
#define ORDER_NUMBER(n) n,
#define ORDER_RULE(n) gq##n##_,
FOR_EACH_ORDER(ORDER_DECLARE)
static const int orders[] = {FOR_EACH_ORDER(ORDER_NUMBER)};
static const fortran_rule rules[] = {FOR_EACH_ORDER(ORDER_RULE)};

static long double integrate(int index, long double a, long double b) {
  const double a8 = (double)a;
  const double b8 = (double)b;
  return rules[index](call_f, &a8, &b8);
}

int main(int argc, char** argv) {
  return check_all(argc > 1 ? argv[1] : "FORTRAN function", orders,
                   (int)(sizeof orders / sizeof orders[0]));
}
