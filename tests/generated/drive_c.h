/*
 * Driver for the C functions GQn(F, A, B). Included at the end of a
 * generated file that has already included the C texts of the orders in
 * FOR_EACH_ORDER (each text brings its own includes and typedef of DBL).
 */
#include "check.h"

static DBL call_f(DBL x) { return eval_f(x); }

typedef DBL (*c_rule)(DBL F(DBL), DBL A, DBL B);

#define ORDER_NUMBER(n) n,
#define ORDER_RULE(n) GQ##n,
static const int orders[] = {FOR_EACH_ORDER(ORDER_NUMBER)};
static const c_rule rules[] = {FOR_EACH_ORDER(ORDER_RULE)};

static long double integrate(int index, long double a, long double b) {
  return rules[index](call_f, a, b);
}

int main(int argc, char** argv) {
  return check_all(argc > 1 ? argv[1] : "C function", orders,
                   (int)(sizeof orders / sizeof orders[0]));
}
