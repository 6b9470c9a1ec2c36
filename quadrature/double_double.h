// Double-double arithmetic from IEEE double additions and multiplications,
// shared by the power function of the brackets and the correctly rounded
// rule. Internal to the quadrature library.
#pragma once

#include "quadrature/floating_point.h"

namespace zemta::detail {

// A double-double: the unevaluated sum hi + lo with |lo| <= ulp(hi) / 2,
// carrying about 106 significant bits. The error-free transformations below
// are exact only when each operation is one rounded double operation, with
// no fused multiply-add (the build uses -ffp-contract=off) and no wider
// intermediates (floating_point.h refuses such targets). They hold for
// operands and results far from overflow and underflow: Veltkamp's split
// multiplies by 2^27 + 1, and products of numbers under 2^-969 lose bits.
struct Dd {
  double hi;
  double lo;
};

// s + e = a + b exactly, given |a| >= |b| or a == 0 (Dekker).
inline Dd quick_two_sum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// s + e = a + b exactly, for any a and b (Knuth).
inline Dd two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// Splits a into two halves of 26 bits each, hi + lo = a exactly (Veltkamp);
// 2^27 + 1 is the splitting constant for a 53-bit significand.
inline constexpr double split_factor = 134217729.0;
inline Dd split(double a) {
  const double c = split_factor * a;
  const double hi = c - (c - a);
  return {hi, a - hi};
}

// p + e = a * b exactly, from the halves of a and b (Dekker).
inline Dd two_prod(double a, Dd a_split, Dd b_split, double b) {
  const double p = a * b;
  return {p, ((a_split.hi * b_split.hi - p) + a_split.hi * b_split.lo +
              a_split.lo * b_split.hi) +
                 a_split.lo * b_split.lo};
}

// p + e = a * b exactly, without a fused multiply-add (Dekker).
inline Dd two_prod(double a, double b) {
  return two_prod(a, split(a), split(b), b);
}

// Each operation below has a relative error of at most 7 u^2, u = 2^-53
// (Joldes, Muller, Popescu, "Tight and rigorous error bounds for basic
// building blocks of double-word arithmetic", 2017, for these algorithms;
// the division by a double-double, at most 15 u^2).
inline Dd add(Dd a, Dd b) {
  const Dd s = two_sum(a.hi, b.hi);
  const Dd t = two_sum(a.lo, b.lo);
  const Dd u = quick_two_sum(s.hi, s.lo + t.hi);
  return quick_two_sum(u.hi, u.lo + t.lo);
}

inline Dd neg(Dd a) { return {-a.hi, -a.lo}; }

inline Dd sub(Dd a, Dd b) { return add(a, neg(b)); }

inline Dd mul(Dd a, Dd b) {
  const Dd p = two_prod(a.hi, b.hi);
  return quick_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline Dd mul(Dd a, double b) {
  const Dd p = two_prod(a.hi, b);
  return quick_two_sum(p.hi, p.lo + a.lo * b);
}

inline Dd div(Dd a, double b) {
  const double q = a.hi / b;
  const Dd p = two_prod(q, b);
  const double r = ((a.hi - p.hi) - p.lo + a.lo) / b;
  return quick_two_sum(q, r);
}

inline Dd div(Dd a, Dd b) {
  const double q = a.hi / b.hi;
  const Dd r = sub(a, mul(b, q));
  return quick_two_sum(q, r.hi / b.hi);
}

}  // namespace zemta::detail
