/*
 * The checks shared by the drivers that run the generated code. A driver
 * is a generated C file: it pulls in the generated texts of a batch of
 * orders, defines FOR_EACH_ORDER(X) as X(n1) X(n2) ..., and then includes
 * one of drive_c.h, drive_fortran.h or drive_raw.h, which include this file
 * and supply integrate() for their kind of rule. The same text is compiled
 * as C and as C++.
 *
 * Every rule is checked on
 *   x^k for every k from 0 to 2n-1, on [0,1] and on [-1,1]
 *       (an n-point Gauss rule is exact for these, so any error left is
 *       rounding), and
 *   exp and cos on [0,1] and on [-1,1], from 8 points on (from there the
 *       rule's own truncation error for them is below 1e-17, at most 6e-18
 *       for exp on [-1,1] with 8 points).
 *
 * The allowance. The constants are printed with 17 significant digits, so
 * each literal reads back as exactly the double the rule was computed in;
 * what separates the result from the exact integral is the error of those
 * doubles and the arithmetic of the function itself. With the rule
 * integral ~ h * sum w_j f(c + h x_j) on [a,b] (c the midpoint, h half the
 * length), a relative error dw in the weights and an absolute error dx in
 * the nodes on [-1,1] move the result by at most
 *   dw * integral |f|  +  dx * h * integral |f'|
 * (to first order; the sums of w_j |f| and w_j |f'| are those integrals
 * up to the rule's error). So the measure of a check is
 *   M = integral |f| + h * integral |f'|
 * and the allowance is TOLERANCE(n) * DBL_EPSILON * M (plus, for the
 * FORTRAN function, a term for its summation, below). For x^k on [0,1]
 * that is a relative allowance of TOLERANCE(n) * DBL_EPSILON *
 * (1 + (k+1)/2): it grows with k because x^k is steep near 1, where a node
 * error of one unit in the last place moves x^k by k units. For odd k on
 * [-1,1] the exact value is 0 and M = 2/(k+1) + 2 makes it an absolute
 * allowance of about 2 * TOLERANCE(n) * DBL_EPSILON.
 *
 * TOLERANCE(n) is 3 + 0.2 sqrt(n). Checked against 45-digit roots, the
 * printed nodes are within 0.4 units of DBL_EPSILON on [0,1]. The weights,
 * computed as 2 / (1 - x*x) / P_n'(x)^2, are not good to a few units
 * relative: near the ends of the interval 1 - x*x cancels and their errors
 * are of the order of DBL_EPSILON absolute (the outermost weight of order
 * 357 is 2.7e-12 off relative, 0.36 units absolute). Over the n/2 weights
 * these errors add up like a random walk, hence the sqrt(n): sum W - 1
 * (x^0, where M is 1) is at most 2.25 units up to order 20 and at most
 * 5.12 units over all orders 2 to 999 (order 357, allowed 6.8). The
 * absolute errors of the small outer weights also show at middle and high
 * k, where integral |f| is small; they stay within the slope term (at most
 * 1.7 units of DBL_EPSILON * M for k > 0 over all orders). The C function
 * and the raw sums evaluate in long double, which adds almost nothing.
 *
 * The FORTRAN function evaluates in double. It rounds each node c + h x_j
 * once more (half a unit, which counts like a node error), and it rounds
 * its running sum at each of its n/2 steps: the worst case of that,
 * (n/2) * (DBL_EPSILON/2) * integral |f|, is 250 units for 999 points, far
 * too loose to notice a wrong constant; like the weights' errors, these
 * add up like a random walk, so the FORTRAN driver sets SUM_ROUNDING to
 * 0.25 and its allowance gains SUM_ROUNDING * sqrt(n) * DBL_EPSILON *
 * integral |f|. Its largest errors over all orders are 6.0 units of
 * DBL_EPSILON * M for x^0 (order 193, allowed 9.3) and 7.9 for cos on
 * [0,1] (order 488, allowed 12.9).
 *
 * The reference values are long double: 1/(k+1) and the library's expl,
 * sinl, cosl. The powers x^k are formed in long double too; to keep the
 * sweep fast, consecutive k reuse the power of the same node from the
 * previous k (the integrators evaluate the same nodes in the same order
 * every time), at most 2n-1 roundings of 2^-64 each: below 1.1e-16 relative
 * and so below a thousandth of the allowance.
 */
#ifndef ZEMTA_GENERATED_CHECK_H
#define ZEMTA_GENERATED_CHECK_H

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define TOLERANCE(n) (3.0L + 0.2L * sqrtl((long double)(n)))
#ifndef SUM_ROUNDING
#define SUM_ROUNDING 0.0L
#endif
#define SMOOTH_FROM_ORDER 8
#ifndef MAX_ORDER /* the test passes the program's highest order */
#error "MAX_ORDER must be defined"
#endif

enum { FN_POWER, FN_EXP, FN_COS };

static int fn_kind; /* which function the integrators integrate */
static int power;   /* k for FN_POWER */

/* The node and its power at each call position of the previous integral. */
static long double memo_x[MAX_ORDER];
static long double memo_power[MAX_ORDER];
static int memo_count;
static int call_index;

static long double power_by_squaring(long double x, int k) {
  long double result = 1.0L;
  while (k > 0) {
    if (k & 1) {
      result *= x;
    }
    x *= x;
    k >>= 1;
  }
  return result;
}

/* The integrand, called by the drivers' wrappers of F. */
static long double eval_f(long double x) {
  switch (fn_kind) {
    case FN_EXP:
      return expl(x);
    case FN_COS:
      return cosl(x);
    default:
      break;
  }
  {
    const int j = call_index++;
    long double p;
    if (power == 0) {
      p = 1.0L;
    } else if (j < memo_count && memo_x[j] == x) {
      p = memo_power[j] * x;
    } else {
      p = power_by_squaring(x, power);
    }
    if (j < MAX_ORDER) {
      memo_x[j] = x;
      memo_power[j] = p;
    }
    return p;
  }
}

/* Supplied by the driver: the integral of eval_f over [a, b] by the rule
   of the index-th order of the batch. */
static long double integrate(int index, long double a, long double b);

static long double integrate_counted(int index, long double a, long double b) {
  long double result;
  call_index = 0;
  result = integrate(index, a, b);
  memo_count = call_index < MAX_ORDER ? call_index : MAX_ORDER;
  return result;
}

struct worst {
  const char* family;
  double used;  /* |error| / allowance */
  double ratio; /* |error| / (DBL_EPSILON * M) */
  double error; /* |error| itself */
  int order;
  int k;
  const char* what;
};

static int failures;

/* Checks one result; integral_abs is the integral of |f| over [a,b],
   slope_term h times the integral of |f'|. */
static void record(struct worst* w, int order, int k, const char* what,
                   long double got, long double exact, long double integral_abs,
                   long double slope_term) {
  const long double eps = (long double)DBL_EPSILON;
  const long double error = fabsl(got - exact);
  const long double measure = integral_abs + slope_term;
  const long double allowance =
      eps * (TOLERANCE(order) * measure +
             SUM_ROUNDING * sqrtl((long double)order) * integral_abs);
  const long double used = error / allowance;
  if (used > (long double)w->used) {
    w->used = (double)used;
    w->ratio = (double)(error / (eps * measure));
    w->error = (double)error;
    w->order = order;
    w->k = k;
    w->what = what;
  }
  if (!(used <= 1.0L)) {
    if (failures < 20) {
      printf(
          "FAIL order %d: %s, k=%d: got %.21Lg, exact %.21Lg, error %.3Lg"
          " = %.3Lg of eps*M, allowance %.3Lg\n",
          order, what, k, got, exact, error, error / (eps * measure),
          allowance);
    }
    ++failures;
  }
}

static void report(const char* label, const struct worst* w) {
  printf(
      "%s %s: worst error %.3g = %.2f of eps*M, %.0f%% of its allowance"
      " (order %d, %s, k=%d)\n",
      label, w->family, w->error, w->ratio, 100.0 * w->used, w->order, w->what,
      w->k);
}

/* Runs every check on every order of the batch; the exit status of the
   driver. */
static int check_all(const char* label, const int* orders, int count) {
  struct worst on_01 = {"x^k on [0,1]", 0.0, 0.0, 0.0, 0, 0, ""};
  struct worst on_11 = {"x^k on [-1,1]", 0.0, 0.0, 0.0, 0, 0, ""};
  struct worst smooth = {"exp and cos", 0.0, 0.0, 0.0, 0, 0, ""};
  const long double e = expl(1.0L);
  const long double sin1 = sinl(1.0L);
  const long double cos1 = cosl(1.0L);
  int i;
  for (i = 0; i < count; ++i) {
    const int n = orders[i];
    int k;
    fn_kind = FN_POWER;
    memo_count = 0;
    for (k = 0; k < 2 * n; ++k) {
      /* integral of x^k is 1/(k+1); of |(x^k)'| is 1 (0 for k = 0) */
      const long double exact = 1.0L / (long double)(k + 1);
      power = k;
      record(&on_01, n, k, "x^k on [0,1]", integrate_counted(i, 0.0L, 1.0L),
             exact, exact, k > 0 ? 0.5L : 0.0L);
    }
    memo_count = 0;
    for (k = 0; k < 2 * n; ++k) {
      const long double even = 2.0L / (long double)(k + 1);
      power = k;
      record(&on_11, n, k, "x^k on [-1,1]", integrate_counted(i, -1.0L, 1.0L),
             k % 2 == 0 ? even : 0.0L, even, k > 0 ? 2.0L : 0.0L);
    }
    if (n >= SMOOTH_FROM_ORDER) {
      fn_kind = FN_EXP;
      record(&smooth, n, 0, "exp on [0,1]", integrate_counted(i, 0.0L, 1.0L),
             e - 1.0L, e - 1.0L, 0.5L * (e - 1.0L));
      record(&smooth, n, 0, "exp on [-1,1]", integrate_counted(i, -1.0L, 1.0L),
             e - 1.0L / e, e - 1.0L / e, e - 1.0L / e);
      fn_kind = FN_COS;
      record(&smooth, n, 0, "cos on [0,1]", integrate_counted(i, 0.0L, 1.0L),
             sin1, sin1, 0.5L * (1.0L - cos1));
      record(&smooth, n, 0, "cos on [-1,1]", integrate_counted(i, -1.0L, 1.0L),
             2.0L * sin1, 2.0L * sin1, 2.0L * (1.0L - cos1));
    }
  }
  report(label, &on_01);
  report(label, &on_11);
  report(label, &smooth);
  if (failures > 0) {
    printf("%s: %d checks out of allowance\n", label, failures);
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}

#endif
