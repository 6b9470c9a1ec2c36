/*
 * Driver for the raw lists An[n] (nodes on [0,1]) and Wn[n] (weights).
 * Included by a generated file that has declared DBL, included the raw
 * texts of the orders in FOR_EACH_ORDER and defined that macro. On [a,b]
 * the rule is (b-a) * sum Wn[j] f(a + (b-a) An[j]), summed in long double.
 */
#include "check.h"

struct raw_rule {
  int n;
  const DBL* nodes;
  const DBL* weights;
};

#define ORDER_RULE(n) {n, A##n, W##n},
static const struct raw_rule rules[] = {FOR_EACH_ORDER(ORDER_RULE)};
#define ORDER_COUNT ((int)(sizeof rules / sizeof rules[0]))
static int orders[ORDER_COUNT];

static long double integrate(int index, long double a, long double b) {
  const struct raw_rule* rule = &rules[index];
  long double sum = 0.0L;
  int j;
  for (j = 0; j < rule->n; ++j) {
    sum += rule->weights[j] * eval_f(a + (b - a) * rule->nodes[j]);
  }
  return (b - a) * sum;
}

int main(int argc, char** argv) {
  int i;
  for (i = 0; i < ORDER_COUNT; ++i) {
    orders[i] = rules[i].n;
  }
  return check_all(argc > 1 ? argv[1] : "raw list", orders, ORDER_COUNT);
}
