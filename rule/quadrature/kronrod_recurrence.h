// Laurie's algorithm for the Jacobi-Kronrod matrix of a weight symmetric
// about 0 (D. P. Laurie, "Calculation of Gauss-Kronrod quadrature rules",
// Math. Comp. 66 (1997) 1133-1145), written once for any number type: long
// double and MPFR in the tests, balls in the program (kronrod_matrix.cpp).
// Internal to the quadrature library.
//
// The weight's Jacobi matrix of order n has zero diagonal and off-diagonal
// squares beta_1, beta_2, ... (beta_k = k^2 / (4k^2 - 1) for Legendre). Its
// Kronrod extension, the Jacobi matrix of order 2n + 1 whose eigenvalues
// are the 2n + 1 Kronrod nodes (every other one a node of the Gauss rule)
// and whose weights are beta_0 u_1^2 (beta_0 = mu0, u the unit
// eigenvector), keeps beta_1 .. beta_ceil(3n/2) and has new squares after
// them. Laurie builds them from mixed moments with rational operations
// only: about n^2 / 2 multiply-adds and n/2 divisions.
//
// The weight being symmetric, so is its Kronrod rule, and the Kronrod
// matrix has zero diagonal too: every a_k - a_l term of the general
// algorithm is 0 and is left out, and so are its updates of the diagonal
// (each 0 in exact arithmetic).
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace zemta::detail {

// The number of the weight's beta_k the algorithm reads: beta_0 ..
// beta_ceil(3n/2).
constexpr int kronrod_beta_count(int n) { return (3 * n + 1) / 2 + 1; }

// Arithmetic is a class with a type Number and the members
//   Number zero() const;
//   Number add(const Number&, const Number&) const;    // and sub
//   Number mul_beta(int k, const Number& beta_k, const Number& x) const;
//   bool div(const Number& x, const Number& y, Number* q) const;
// where mul_beta gives beta_k x (for a k below kronrod_beta_count(n) it may
// use what it knows of the weight's beta_k instead of beta_k's value), and
// div returns false when it cannot divide by y (a ball holding 0).
//
// For n >= 1 and beta[0 .. kronrod_beta_count(n) - 1] as above, fills
// kronrod_beta[0 .. 2n]: [0] = beta[0] (mu0), [k] for 1 <= k <= 2n the
// off-diagonal square joining rows k - 1 and k of the Kronrod matrix.
// Returns false, with *kronrod_beta unspecified, when a division fails.
template <class Arithmetic>
bool kronrod_recurrence(
    const Arithmetic& arith, int n,
    const std::vector<typename Arithmetic::Number>& beta,
    std::vector<typename Arithmetic::Number>* kronrod_beta) {
  using Number = typename Arithmetic::Number;
  const auto at = [](int i) { return static_cast<std::size_t>(i); };
  std::vector<Number>& b = *kronrod_beta;
  b.assign(at(2 * n + 1), arith.zero());
  for (int k = 0; k < kronrod_beta_count(n); ++k) {
    b[at(k)] = beta[at(k)];
  }
  // s and t are the two latest rows of the mixed moments sigma(k, l),
  // indexed from 1 (index 0 stays 0: the moments outside the triangle).
  std::vector<Number> s(at(n / 2 + 2), arith.zero());
  std::vector<Number> t(at(n / 2 + 2), arith.zero());
  t[1] = b[at(n + 1)];
  // The upper triangle of the moments, row by row. Each row is a running
  // sum, from the highest k down, of terms that read the row before it at
  // k and k + 1; going down, s[k] is still the old row when it is read.
  for (int m = 0; m <= n - 2; ++m) {
    Number sum = arith.zero();
    for (int k = (m + 1) / 2; k >= 0; --k) {
      const int l = m - k;
      const Number term =
          arith.sub(arith.mul_beta(k + n + 1, b[at(k + n + 1)], s[at(k)]),
                    arith.mul_beta(l, b[at(l)], s[at(k + 1)]));
      sum = arith.add(sum, term);
      s[at(k + 1)] = sum;
    }
    std::swap(s, t);
  }
  // The row moves up one place for the lower triangle.
  for (int j = n / 2 + 1; j >= 1; --j) {
    s[at(j)] = s[at(j - 1)];
  }
  // The lower triangle, each row a running sum from the lowest k up, and
  // from its last moments one new beta every other row.
  for (int m = n - 1; m <= 2 * n - 3; ++m) {
    Number sum = arith.zero();
    int j = 0;
    for (int k = m + 1 - n; k <= (m - 1) / 2; ++k) {
      const int l = m - k;
      j = n - 1 - l;
      const Number term =
          arith.sub(arith.mul_beta(l, b[at(l)], s[at(j + 2)]),
                    arith.mul_beta(k + n + 1, b[at(k + n + 1)], s[at(j + 1)]));
      sum = arith.add(sum, term);
      s[at(j + 1)] = sum;
    }
    if (m % 2 == 1) {
      const int k = (m + 1) / 2;
      if (!arith.div(s[at(j + 1)], s[at(j + 2)], &b[at(k + n + 1)])) {
        return false;
      }
    }
    std::swap(s, t);
  }
  return true;
}

}  // namespace zemta::detail
