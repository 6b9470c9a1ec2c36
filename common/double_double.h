// Double-double arithmetic from IEEE double additions and multiplications,
// shared by the power function of the brackets and the correctly rounded
// rule. Internal to the quadrature library.
//
// Written once for any T with IEEE double's element-wise +, -, * and /:
// double, or a generic vector of doubles (one double-double per lane, each
// lane given the operations a double would be).
#pragma once

#include "quadrature/floating_point.h"

namespace zemta::detail {

// A double-double: the unevaluated sum hi + lo with |lo| <= ulp(hi) / 2,
// carrying about 106 significant bits. The error-free transformations below
// are exact only when each operation is one rounded double operation, with
// no fused multiply-add (the build uses -ffp-contract=off) and no wider
// intermediates (floating_point.h refuses such targets). They hold for
// operands and results far from overflow and underflow: Veltkamp's split
// multiplies by 2^27 + 1, and products under 2^-969 lose bits.
template <class T>
struct DoubleDouble {
  T hi;
  T lo;
};
using Dd = DoubleDouble<double>;

// s + e = a + b exactly, given |a| >= |b| or a == 0 (Dekker).
template <class T>
inline DoubleDouble<T> quick_two_sum(const T& a, const T& b) {
  const T s = a + b;
  return {s, b - (s - a)};
}

// s + e = a + b exactly, for any a and b (Knuth).
template <class T>
inline DoubleDouble<T> two_sum(const T& a, const T& b) {
  const T s = a + b;
  const T bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// Splits a into two halves of 26 bits each, hi + lo = a exactly (Veltkamp);
// 2^27 + 1 is the splitting constant for a 53-bit significand.
inline constexpr double split_factor = 134217729.0;
template <class T>
inline DoubleDouble<T> split(const T& a) {
  const T c = split_factor * a;
  const T hi = c - (c - a);
  return {hi, a - hi};
}

// p + e = a * b exactly (Dekker), from a and b and their halves: callers
// that multiply by one factor many times split it once.
template <class T>
inline DoubleDouble<T> two_prod(const T& a, const DoubleDouble<T>& a_split,
                                const DoubleDouble<T>& b_split, const T& b) {
  const T p = a * b;
  return {p, ((a_split.hi * b_split.hi - p) + a_split.hi * b_split.lo +
              a_split.lo * b_split.hi) +
                 a_split.lo * b_split.lo};
}

// p + e = a * b exactly, without a fused multiply-add (Dekker).
template <class T>
inline DoubleDouble<T> two_prod(const T& a, const T& b) {
  return two_prod(a, split(a), split(b), b);
}

// How the products below find a product's exact error: by two_prod, or, as
// a variant compiled for fused multiply-adds passes instead, by p = a * b
// and e = fma(a, b, -p), the same exact p + e in two operations (for the
// operands two_prod is exact for, that is far from overflow and
// underflow).
struct DekkerProduct {
  template <class T>
  static DoubleDouble<T> product(const T& a, const T& b) {
    return two_prod(a, b);
  }
};

// p + e = a * m exactly for an m of at most 26 significant bits (an integer
// below 2^26, say): m is then its own upper half, its lower half is zero,
// and Dekker's product drops the terms that multiply by it.
template <class T>
inline DoubleDouble<T> two_prod_short(const T& a, const T& m) {
  const T p = a * m;
  const DoubleDouble<T> s = split(a);
  return {p, (s.hi * m - p) + s.lo * m};
}

// Each operation below has a relative error of at most 7 u^2, u = 2^-53
// (Joldes, Muller, Popescu, "Tight and rigorous error bounds for basic
// building blocks of double-word arithmetic", 2017, for these algorithms;
// the division by a double-double, at most 15 u^2).
template <class T>
inline DoubleDouble<T> add(const DoubleDouble<T>& a, const DoubleDouble<T>& b) {
  const DoubleDouble<T> s = two_sum(a.hi, b.hi);
  const DoubleDouble<T> t = two_sum(a.lo, b.lo);
  const DoubleDouble<T> u = quick_two_sum(s.hi, s.lo + t.hi);
  return quick_two_sum(u.hi, u.lo + t.lo);
}

template <class T>
inline DoubleDouble<T> neg(const DoubleDouble<T>& a) {
  return {-a.hi, -a.lo};
}

template <class T>
inline DoubleDouble<T> sub(const DoubleDouble<T>& a, const DoubleDouble<T>& b) {
  return add(a, neg(b));
}

template <class P = DekkerProduct, class T>
inline DoubleDouble<T> mul(const DoubleDouble<T>& a, const DoubleDouble<T>& b) {
  const DoubleDouble<T> p = P::product(a.hi, b.hi);
  return quick_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

template <class P = DekkerProduct, class T>
inline DoubleDouble<T> mul(const DoubleDouble<T>& a, const T& b) {
  const DoubleDouble<T> p = P::product(a.hi, b);
  return quick_two_sum(p.hi, p.lo + a.lo * b);
}

// mul by an m of at most 26 significant bits, by two_prod_short: the same
// result, fewer operations.
template <class T>
inline DoubleDouble<T> mul_short(const DoubleDouble<T>& a, const T& m) {
  const DoubleDouble<T> p = two_prod_short(a.hi, m);
  return quick_two_sum(p.hi, p.lo + a.lo * m);
}

template <class P = DekkerProduct, class T>
inline DoubleDouble<T> div(const DoubleDouble<T>& a, const T& b) {
  const T q = a.hi / b;
  const DoubleDouble<T> p = P::product(q, b);
  const T r = ((a.hi - p.hi) - p.lo + a.lo) / b;
  return quick_two_sum(q, r);
}

template <class P = DekkerProduct, class T>
inline DoubleDouble<T> div(const DoubleDouble<T>& a, const DoubleDouble<T>& b) {
  const T q = a.hi / b.hi;
  const DoubleDouble<T> r = sub(a, mul<P>(b, q));
  return quick_two_sum(q, r.hi / b.hi);
}

}  // namespace zemta::detail
