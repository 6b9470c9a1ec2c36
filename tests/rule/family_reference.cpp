#include "family_reference.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <utility>

#include "quadrature/coefficients.h"

namespace zemta::testing {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The margin of a computed value: its error is taken to be below
// 2^-(bits - margin_bits) relative. The proof brackets a root within
// 2^-(bits - bracket_bits) |x|; the weights' formulas lose a few bits more
// (the exp of a logarithm near 2^14, n rounding errors of the recurrence).
constexpr int margin_bits = 40;
constexpr int bracket_bits = 20;
// Newton stops after the step that moved the root by less than
// 2^-(bits/2 + newton_guard_bits) |x|: the next error, about that step
// squared over the gap to the next root (at least 2^-22 |x| up to order
// 999), is then below 2^-bits |x|.
constexpr int newton_guard_bits = 14;
// From bisection's start within 2^-44, three steps reach 256 bits and five
// reach 1024; more means a start near the wrong root, which the proof
// catches anyway.
constexpr int newton_steps = 12;
// Bisection stops at this relative width, leaving the rest to Newton, or
// after so many steps: from a width of 2^13 (Laguerre's at order 999) to
// 2^-44 of a root as small as 2^-60.
constexpr double bisection_width = 0x1p-44;
constexpr int bisection_steps = 120;
// Guard bits for the weights' constant, computed as the exp of its log.
constexpr mpfr_prec_t constant_guard_bits = 32;
// Bits that hold (a + b)/2 and (b - a)/2 exactly for any finite doubles a
// and b, and their sums with a node at the working precision.
constexpr mpfr_prec_t interval_bits = 2200;

double relative_margin(mpfr_prec_t bits) {
  return std::ldexp(1.0, -static_cast<int>(bits - margin_bits));
}

void widen_exponents() {
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_emax(mpfr_get_emax_max());
}

// The classical polynomials whose roots are Gauss nodes.
enum class Classical { jacobi, hermite, hermite_prob, laguerre };

struct Polynomial {
  Classical kind;
  int n;
  double alpha = 0.0;
  double beta = 0.0;
  [[nodiscard]] bool symmetric() const {
    return kind == Classical::hermite || kind == Classical::hermite_prob ||
           (kind == Classical::jacobi && alpha == beta);
  }
};

// The monic form of the polynomials: p_{k+1} = (x - b_k) p_k - c_k
// p_{k-1}, p_0 = 1, p_{-1} = 0, for k < n; b_k and c_k at the working
// precision and, for the Sturm count, in doubles.
class Recurrence {
 public:
  Recurrence(const Polynomial& poly, mpfr_prec_t bits)
      : n_(poly.n),
        kind_(poly.kind),
        symmetric_(poly.symmetric()),
        slope_a0_(bits),
        slope_a1_(bits),
        slope_b_(bits),
        t_(bits),
        u_(bits),
        p_(bits),
        p_prev_(bits),
        p_next_(bits) {
    b_.reserve(at(n_));
    c_.reserve(at(n_));
    BigFloat num(bits);
    BigFloat den(bits);
    BigFloat s(bits);
    mpfr_set_d(s.get(), poly.alpha, MPFR_RNDN);
    mpfr_add_d(s.get(), s.get(), poly.beta, MPFR_RNDN);
    for (int k = 0; k < n_; ++k) {
      b_.emplace_back(bits);
      c_.emplace_back(bits);
      const auto uk = static_cast<unsigned long>(k);
      mpfr_ptr b = b_.back().get();
      mpfr_ptr c = c_.back().get();
      switch (poly.kind) {
        case Classical::jacobi:
          jacobi_coefficients(k, poly.alpha, poly.beta, s.get(), b, c,
                              num.get(), den.get());
          break;
        case Classical::hermite:  // c_k = k / 2
          mpfr_set_zero(b, 1);
          mpfr_set_ui(c, uk, MPFR_RNDN);
          mpfr_div_2ui(c, c, 1, MPFR_RNDN);
          break;
        case Classical::hermite_prob:  // c_k = k
          mpfr_set_zero(b, 1);
          mpfr_set_ui(c, uk, MPFR_RNDN);
          break;
        case Classical::laguerre:  // b_k = 2k + a + 1, c_k = k (k + a)
          mpfr_set_d(b, poly.alpha, MPFR_RNDN);
          mpfr_add_ui(b, b, 2 * uk + 1, MPFR_RNDN);
          mpfr_set_d(c, poly.alpha, MPFR_RNDN);
          mpfr_add_ui(c, c, uk, MPFR_RNDN);
          mpfr_mul_ui(c, c, uk, MPFR_RNDN);
          break;
      }
      b_double_.push_back(mpfr_get_d(b, MPFR_RNDN));
      c_double_.push_back(mpfr_get_d(c, MPFR_RNDN));
    }
    slope_constants(poly, s.get(), num.get(), den.get());
  }

  [[nodiscard]] int order() const { return n_; }

  // p_n'(x) into dp from p = p_n(x) and prev = p_{n-1}(x), by the
  // classical relation sigma(x) p_n' = (a0 - a1 x) p_n + b p_{n-1}.
  void slope(mpfr_srcptr x, mpfr_srcptr p, mpfr_srcptr prev, mpfr_ptr dp) {
    mpfr_mul(t_.get(), slope_a1_.get(), x, MPFR_RNDN);
    mpfr_sub(t_.get(), slope_a0_.get(), t_.get(), MPFR_RNDN);
    mpfr_mul(t_.get(), t_.get(), p, MPFR_RNDN);
    mpfr_mul(u_.get(), slope_b_.get(), prev, MPFR_RNDN);
    mpfr_add(dp, t_.get(), u_.get(), MPFR_RNDN);
    if (kind_ == Classical::jacobi) {
      mpfr_sqr(t_.get(), x, MPFR_RNDN);
      mpfr_ui_sub(t_.get(), 1, t_.get(), MPFR_RNDN);
      mpfr_div(dp, dp, t_.get(), MPFR_RNDN);
    } else if (kind_ == Classical::laguerre) {
      mpfr_div(dp, dp, x, MPFR_RNDN);
    }
  }

  // p_n(x) into p, p_{n-1}(x) into prev.
  void values(mpfr_srcptr x, mpfr_ptr p, mpfr_ptr prev) {
    start();
    for (int k = 0; k < n_; ++k) {
      step(shifted(x, k), k);
    }
    mpfr_set(p, p_.get(), MPFR_RNDN);
    mpfr_set(prev, p_prev_.get(), MPFR_RNDN);
  }

  // How many roots of p_n lie below x: the k with p_k(x) and p_{k-1}(x) of
  // one sign, the ratios p_k / p_{k-1} being the negated pivots of the
  // LDL^T factors of J - x I, J the Jacobi matrix with diagonal b_k and
  // off-diagonal sqrt(c_k), whose eigenvalues are those roots. The values
  // are scaled by powers of two to stay within the doubles' range.
  [[nodiscard]] int roots_below(double x) const {
    constexpr double huge = 0x1p600;
    constexpr double tiny = 0x1p-600;
    int below = 0;
    double prev = 0.0;
    double p = 1.0;
    for (int k = 0; k < n_; ++k) {
      double next = (x - b_double_[at(k)]) * p - c_double_[at(k)] * prev;
      if (next == 0.0) {
        next = p > 0.0 ? -tiny : tiny;  // a root at x counts as above it
      }
      below += (next > 0.0) == (p > 0.0) ? 1 : 0;
      prev = p;
      p = next;
      if (std::fabs(p) > huge || std::fabs(p) < tiny) {
        const int e = std::ilogb(p);
        p = std::ldexp(p, -e);
        prev = std::ldexp(prev, -e);
      }
    }
    return below;
  }

  // An interval holding every root: Gershgorin's discs of J.
  [[nodiscard]] std::pair<double, double> bounds() const {
    double lo = 0.0;
    double hi = 0.0;
    for (int k = 0; k < n_; ++k) {
      const double r = (k > 0 ? std::sqrt(c_double_[at(k)]) : 0.0) +
                       (k + 1 < n_ ? std::sqrt(c_double_[at(k + 1)]) : 0.0);
      lo = std::min(lo, b_double_[at(k)] - r);
      hi = std::max(hi, b_double_[at(k)] + r);
    }
    return {lo - 1.0, hi + 1.0};
  }

 private:
  // The relations, monic forms of the classical ones:
  //   jacobi    (1 - x^2) p_n' = (n (a - b)/(2n + s) - n x) p_n
  //                              + c_n (2n + s + 1) p_{n-1}
  //   hermite   p_n' = n p_{n-1} (both kinds)
  //   laguerre  x p_n' = n p_n + n (n + a) p_{n-1}
  void slope_constants(const Polynomial& poly, mpfr_srcptr s, mpfr_ptr num,
                       mpfr_ptr den) {
    const auto un = static_cast<unsigned long>(n_);
    mpfr_set_zero(slope_a0_.get(), 1);
    mpfr_set_zero(slope_a1_.get(), 1);
    mpfr_set_ui(slope_b_.get(), un, MPFR_RNDN);
    if (poly.kind == Classical::jacobi) {
      jacobi_coefficients(n_, poly.alpha, poly.beta, s, t_.get(),
                          slope_b_.get(), num, den);
      mpfr_add_ui(den, s, 2 * un + 1, MPFR_RNDN);
      mpfr_mul(slope_b_.get(), slope_b_.get(), den, MPFR_RNDN);
      mpfr_set_d(num, poly.alpha, MPFR_RNDN);
      mpfr_sub_d(num, num, poly.beta, MPFR_RNDN);
      mpfr_mul_ui(num, num, un, MPFR_RNDN);
      mpfr_add_ui(den, s, 2 * un, MPFR_RNDN);
      mpfr_div(slope_a0_.get(), num, den, MPFR_RNDN);
      mpfr_set_ui(slope_a1_.get(), un, MPFR_RNDN);
    } else if (poly.kind == Classical::laguerre) {
      mpfr_set_ui(slope_a0_.get(), un, MPFR_RNDN);
      mpfr_set_d(slope_b_.get(), poly.alpha, MPFR_RNDN);
      mpfr_add_ui(slope_b_.get(), slope_b_.get(), un, MPFR_RNDN);
      mpfr_mul_ui(slope_b_.get(), slope_b_.get(), un, MPFR_RNDN);
    }
  }

  // b_0 = (b - a)/(s + 2) and for k >= 1 b_k = (b^2 - a^2)/((2k + s)(2k + s
  // + 2)); c_1 = 4 (1 + a)(1 + b) / ((2 + s)^2 (3 + s)) and for k >= 2 c_k =
  // 4k (k + a)(k + b)(k + s) / ((2k + s)^2 (2k + s + 1)(2k + s - 1)), s = a
  // + b: c_1 is the general form with the factor (1 + s) cancelled, which
  // is 0 at s = -1.
  static void jacobi_coefficients(int k, double a, double b, mpfr_srcptr s,
                                  mpfr_ptr bk, mpfr_ptr ck, mpfr_ptr num,
                                  mpfr_ptr den) {
    const auto uk = static_cast<unsigned long>(k);
    // den = 2k + s
    mpfr_add_ui(den, s, 2 * uk, MPFR_RNDN);
    if (k == 0) {
      mpfr_set_d(num, b, MPFR_RNDN);
      mpfr_sub_d(num, num, a, MPFR_RNDN);
      mpfr_add_ui(bk, s, 2, MPFR_RNDN);
      mpfr_div(bk, num, bk, MPFR_RNDN);
      mpfr_set_zero(ck, 1);
      return;
    }
    mpfr_set_d(num, b, MPFR_RNDN);
    mpfr_sub_d(num, num, a, MPFR_RNDN);
    mpfr_mul(num, num, s, MPFR_RNDN);  // b^2 - a^2
    mpfr_add_ui(bk, den, 2, MPFR_RNDN);
    mpfr_mul(bk, bk, den, MPFR_RNDN);
    mpfr_div(bk, num, bk, MPFR_RNDN);
    // ck = 4 (k + a)(k + b) [k (k + s)] / ((2k + s)^2 (2k + s + 1) [(2k + s
    // - 1)]), the bracketed factors dropped at k = 1.
    mpfr_set_d(num, a, MPFR_RNDN);
    mpfr_add_ui(num, num, uk, MPFR_RNDN);
    mpfr_set_d(ck, b, MPFR_RNDN);
    mpfr_add_ui(ck, ck, uk, MPFR_RNDN);
    mpfr_mul(num, num, ck, MPFR_RNDN);
    mpfr_mul_2ui(num, num, 2, MPFR_RNDN);
    mpfr_sqr(ck, den, MPFR_RNDN);
    mpfr_div(num, num, ck, MPFR_RNDN);
    mpfr_add_ui(ck, den, 1, MPFR_RNDN);
    mpfr_div(num, num, ck, MPFR_RNDN);
    if (k > 1) {
      mpfr_add_ui(ck, s, uk, MPFR_RNDN);
      mpfr_mul_ui(ck, ck, uk, MPFR_RNDN);
      mpfr_mul(num, num, ck, MPFR_RNDN);
      mpfr_sub_ui(ck, den, 1, MPFR_RNDN);
      mpfr_div(num, num, ck, MPFR_RNDN);
    }
    mpfr_set(ck, num, MPFR_RNDN);
  }

  void start() {
    mpfr_set_ui(p_.get(), 1, MPFR_RNDN);
    mpfr_set_zero(p_prev_.get(), 1);
  }

  // x - b_k, or x itself where every b_k is 0.
  mpfr_srcptr shifted(mpfr_srcptr x, int k) {
    if (symmetric_) {
      return x;
    }
    mpfr_sub(t_.get(), x, b_[at(k)].get(), MPFR_RNDN);
    return t_.get();
  }

  // p_{k+1} = t p_k - c_k p_{k-1}, then p_prev_ = p_k and p_ = p_{k+1}.
  void step(mpfr_srcptr t, int k) {
    mpfr_mul(p_next_.get(), t, p_.get(), MPFR_RNDN);
    mpfr_mul(u_.get(), c_[at(k)].get(), p_prev_.get(), MPFR_RNDN);
    mpfr_sub(p_next_.get(), p_next_.get(), u_.get(), MPFR_RNDN);
    rotate(p_prev_, p_, p_next_);
  }

  static void rotate(BigFloat& prev, BigFloat& current, BigFloat& next) {
    mpfr_swap(prev.get(), current.get());
    mpfr_swap(current.get(), next.get());
  }

  int n_;
  Classical kind_;
  bool symmetric_;
  std::vector<BigFloat> b_;
  std::vector<BigFloat> c_;
  std::vector<double> b_double_;
  std::vector<double> c_double_;
  BigFloat slope_a0_;
  BigFloat slope_a1_;
  BigFloat slope_b_;
  BigFloat t_;
  BigFloat u_;
  BigFloat p_;
  BigFloat p_prev_;
  BigFloat p_next_;
};

// Starting points for the roots first..n-1 (ascending), each within
// bisection_width of a root of the recurrence in doubles. The counts met
// on the way are kept as bounds for the later roots: below[j] the largest
// point known to have at most j roots below it, above[j] the least with
// more than j.
std::vector<double> starting_points(const Recurrence& recurrence, int first) {
  const int n = recurrence.order();
  const auto [lo_all, hi_all] = recurrence.bounds();
  std::vector<double> below(at(n), lo_all);
  std::vector<double> above(at(n), hi_all);
  std::vector<double> starts;
  double lo = lo_all;
  for (int i = first; i < n; ++i) {
    lo = std::max(lo, below[at(i)]);
    double hi = hi_all;
    for (int j = i; j < n; ++j) {
      hi = std::min(hi, above[at(j)]);
    }
    double a = lo;
    double b = hi;
    for (int step = 0; step < bisection_steps; ++step) {
      const double mid = a + (b - a) / 2.0;
      if (mid <= a || mid >= b ||
          b - a <= bisection_width * std::max(std::fabs(a), std::fabs(b))) {
        break;
      }
      const int count = recurrence.roots_below(mid);
      if (count > i) {
        b = mid;
        above[at(count - 1)] = std::min(above[at(count - 1)], mid);
      } else {
        a = mid;
        if (count < n) {
          below[at(count)] = std::max(below[at(count)], mid);
        }
      }
    }
    starts.push_back(a + (b - a) / 2.0);
  }
  return starts;
}

int sign(mpfr_srcptr v) { return mpfr_sgn(v); }

// The constant K_n of the weights w_i = K_n g(x_i) / p_{n-1}(x_i)^2 of the
// classical rule, p monic, from the closed formulas
//   jacobi     w = G_n (2n + s)^2 (1 - x^2) / (4 (n + a)^2 (n + b)^2
//              P_{n-1}^2), G_n = 2^(s + 1) Gamma(n + a + 1) Gamma(n + b +
//              1) / (Gamma(n + s + 1) n!), s = a + b, P_{n-1} = k_{n-1}
//              p_{n-1} with k_m = Gamma(2m + s + 1) / (2^m m! Gamma(m + s +
//              1)) (k_0 = 1)
//   hermite    w = 2^(n-1) n! sqrt(pi) / (n^2 H_{n-1}^2), H_{n-1} = 2^(n-1)
//              p_{n-1}
//   hermite-prob  w = n! sqrt(2 pi) / (n^2 He_{n-1}^2), He monic
//   laguerre   w = Gamma(n + a + 1) x / (n! (n + a)^2 L_{n-1}^2), L_{n-1} =
//              (-1)^(n-1) p_{n-1} / (n-1)!
// computed as the exp of its logarithm.
void weight_constant(const Polynomial& poly, mpfr_ptr k) {
  const mpfr_prec_t bits = mpfr_get_prec(k) + constant_guard_bits;
  const auto n = static_cast<unsigned long>(poly.n);
  BigFloat log_k(bits);
  BigFloat t(bits);
  BigFloat u(bits);
  // log_k += times log Gamma(whole + a' + b') or times log(whole + a' +
  // b'), with a' and b' each alpha, beta or 0 as asked.
  const double a = poly.alpha;
  const double b = poly.beta;
  const auto add_log = [&](bool gamma, unsigned long whole, bool with_a,
                           bool with_b, long times) {
    mpfr_set_ui(t.get(), whole, MPFR_RNDN);
    if (with_a) {
      mpfr_add_d(t.get(), t.get(), a, MPFR_RNDN);
    }
    if (with_b) {
      mpfr_add_d(t.get(), t.get(), b, MPFR_RNDN);
    }
    if (gamma) {
      mpfr_lngamma(u.get(), t.get(), MPFR_RNDN);
    } else {
      mpfr_log(u.get(), t.get(), MPFR_RNDN);
    }
    mpfr_mul_si(u.get(), u.get(), times, MPFR_RNDN);
    mpfr_add(log_k.get(), log_k.get(), u.get(), MPFR_RNDN);
  };
  BigFloat log2(bits);
  mpfr_const_log2(log2.get(), MPFR_RNDN);
  // log_k += (whole + a' + b') log 2 / divisor.
  const auto add_log2 = [&](long whole, bool with_ab, unsigned long divisor) {
    mpfr_set_si(t.get(), whole, MPFR_RNDN);
    if (with_ab) {
      mpfr_add_d(t.get(), t.get(), a, MPFR_RNDN);
      mpfr_add_d(t.get(), t.get(), b, MPFR_RNDN);
    }
    mpfr_mul(u.get(), log2.get(), t.get(), MPFR_RNDN);
    mpfr_div_ui(u.get(), u.get(), divisor, MPFR_RNDN);
    mpfr_add(log_k.get(), log_k.get(), u.get(), MPFR_RNDN);
  };
  const auto add_half_log_pi = [&]() {
    mpfr_const_pi(t.get(), MPFR_RNDN);
    mpfr_log(u.get(), t.get(), MPFR_RNDN);
    mpfr_div_2ui(u.get(), u.get(), 1, MPFR_RNDN);
    mpfr_add(log_k.get(), log_k.get(), u.get(), MPFR_RNDN);
  };
  mpfr_set_zero(log_k.get(), 1);
  const auto signed_n = static_cast<long>(n);
  switch (poly.kind) {
    case Classical::jacobi: {
      add_log2(1, true, 1);
      add_log(true, n + 1, true, false, 1);
      add_log(true, n + 1, false, true, 1);
      add_log(true, n + 1, true, true, -1);
      add_log(true, n + 1, false, false, -1);
      add_log(false, 2 * n, true, true, 2);
      add_log2(-2, false, 1);
      add_log(false, n, true, false, -2);
      add_log(false, n, false, true, -2);
      const unsigned long m = n - 1;
      if (m > 0) {  // - 2 log k_m
        add_log(true, 2 * m + 1, true, true, -2);
        add_log2(2 * static_cast<long>(m), false, 1);
        add_log(true, m + 1, false, false, 2);
        add_log(true, m + 1, true, true, 2);
      }
      break;
    }
    case Classical::hermite:
      add_log(true, n, false, false, 1);
      add_half_log_pi();
      add_log(false, n, false, false, -1);
      add_log2(1 - signed_n, false, 1);
      break;
    case Classical::hermite_prob:
      add_log(true, n, false, false, 1);
      add_half_log_pi();
      add_log2(1, false, 2);
      add_log(false, n, false, false, -1);
      break;
    case Classical::laguerre:
      add_log(true, n + 1, true, false, 1);
      add_log(true, n, false, false, 1);
      add_log(false, n, false, false, -1);
      add_log(false, n, true, false, -2);
      break;
  }
  mpfr_exp(k, log_k.get(), MPFR_RNDN);
}

// The nodes and weights of a classical Gauss rule, ascending, proved as the
// header says. For a symmetric rule only the non-negative roots are
// searched; the others are their mirror images.
struct Values {
  std::vector<BigFloat> nodes;
  std::vector<BigFloat> weights;
  bool proved = true;
};

Values gauss_rule(const Polynomial& poly, mpfr_prec_t bits) {
  Values out;
  const int n = poly.n;
  if (n == 0) {
    return out;
  }
  Recurrence recurrence(poly, bits);
  const bool symmetric = poly.symmetric();
  const int half = n / 2;
  const int first = symmetric ? n - half : 0;
  const std::vector<double> starts = starting_points(recurrence, first);
  BigFloat constant(bits);
  weight_constant(poly, constant.get());
  BigFloat x(bits);
  BigFloat p(bits);
  BigFloat dp(bits);
  BigFloat dx(bits);
  BigFloat delta(bits);
  BigFloat side(bits);
  BigFloat prev_lo(bits);
  BigFloat prev_hi(bits);
  BigFloat p_lo(bits);
  BigFloat lower_end(bits);  // x - delta of the previous root
  const auto weight_at = [&](mpfr_srcptr node, mpfr_srcptr prev, mpfr_ptr w) {
    // w = K g(x) / prev^2, g(x) = 1 - x^2, 1 or x.
    mpfr_sqr(w, prev, MPFR_RNDN);
    mpfr_div(w, constant.get(), w, MPFR_RNDN);
    if (poly.kind == Classical::jacobi) {
      mpfr_sqr(side.get(), node, MPFR_RNDN);
      mpfr_ui_sub(side.get(), 1, side.get(), MPFR_RNDN);
      mpfr_mul(w, w, side.get(), MPFR_RNDN);
    } else if (poly.kind == Classical::laguerre) {
      mpfr_mul(w, w, node, MPFR_RNDN);
    }
  };
  std::vector<BigFloat> nodes;
  std::vector<BigFloat> weights;
  for (int i = first; i < n; ++i) {
    // Newton's method from the bisection's start.
    mpfr_set_d(x.get(), starts[at(i - first)], MPFR_RNDN);
    bool converged = false;
    for (int step = 0; step < newton_steps && !converged; ++step) {
      recurrence.values(x.get(), p.get(), prev_lo.get());
      recurrence.slope(x.get(), p.get(), prev_lo.get(), dp.get());
      if (mpfr_zero_p(p.get()) != 0) {
        converged = true;  // the root at this precision, or a tie for it
        break;
      }
      mpfr_div(dx.get(), p.get(), dp.get(), MPFR_RNDN);
      mpfr_sub(x.get(), x.get(), dx.get(), MPFR_RNDN);
      mpfr_mul_2si(delta.get(), x.get(),
                   -static_cast<long>(bits / 2 + newton_guard_bits), MPFR_RNDN);
      converged = mpfr_cmpabs(dx.get(), delta.get()) <= 0;
    }
    // The proof: p_n changes sign across [x - d, x + d], d = |x| 2^-(bits -
    // 20), and that bracket lies above the previous one (above 0 for the
    // first root of a symmetric rule).
    mpfr_mul_2si(delta.get(), x.get(), -static_cast<long>(bits - bracket_bits),
                 MPFR_RNDN);
    mpfr_abs(delta.get(), delta.get(), MPFR_RNDN);
    mpfr_sub(side.get(), x.get(), delta.get(), MPFR_RNDN);
    const bool above_previous = i == first
                                    ? !symmetric || mpfr_sgn(side.get()) > 0
                                    : mpfr_cmp(side.get(), lower_end.get()) > 0;
    recurrence.values(side.get(), p_lo.get(), prev_lo.get());
    mpfr_add(side.get(), x.get(), delta.get(), MPFR_RNDN);
    mpfr_set(lower_end.get(), side.get(), MPFR_RNDN);
    recurrence.values(side.get(), p.get(), prev_hi.get());
    const bool bracketed = sign(p_lo.get()) * sign(p.get()) < 0;
    out.proved = out.proved && converged && above_previous && bracketed &&
                 mpfr_zero_p(delta.get()) == 0;
    // p_{n-1}(x) as the mean of its values at x -+ d: their error is d^2
    // p_{n-1}'' / 2, far below 2^-bits of p_{n-1}, which does not vanish at
    // a root of p_n.
    mpfr_add(prev_lo.get(), prev_lo.get(), prev_hi.get(), MPFR_RNDN);
    mpfr_div_2ui(prev_lo.get(), prev_lo.get(), 1, MPFR_RNDN);
    nodes.emplace_back(x);
    weights.emplace_back(bits);
    weight_at(x.get(), prev_lo.get(), weights.back().get());
  }
  if (!symmetric) {
    out.nodes = std::move(nodes);
    out.weights = std::move(weights);
    return out;
  }
  // The mirror images, the middle node 0 for odd n, then the rest.
  for (int j = half - 1; j >= 0; --j) {
    out.nodes.emplace_back(nodes[at(j)]);
    mpfr_neg(out.nodes.back().get(), out.nodes.back().get(), MPFR_RNDN);
    out.weights.emplace_back(weights[at(j)]);
  }
  if (n % 2 == 1) {
    mpfr_set_zero(x.get(), 1);
    recurrence.values(x.get(), p.get(), prev_lo.get());
    out.nodes.emplace_back(x);
    out.weights.emplace_back(bits);
    weight_at(x.get(), prev_lo.get(), out.weights.back().get());
  }
  for (int j = 0; j < half; ++j) {
    out.nodes.emplace_back(nodes[at(j)]);
    out.weights.emplace_back(weights[at(j)]);
  }
  return out;
}

ReferenceValue computed(mpfr_srcptr v, double relative_error) {
  ReferenceValue out{BigFloat(mpfr_get_prec(v)), relative_error};
  mpfr_set(out.value.get(), v, MPFR_RNDN);
  return out;
}

ReferenceValue exact(long v, mpfr_prec_t bits) {
  ReferenceValue out{BigFloat(bits), 0.0};
  mpfr_set_si(out.value.get(), v, MPFR_RNDN);
  return out;
}

// The rule from a classical one, each value with the margin for its
// precision, the exact middle node 0 with none.
ReferenceRule from_values(const Values& values, mpfr_prec_t bits) {
  ReferenceRule rule;
  rule.proved = values.proved;
  const double margin = relative_margin(bits);
  for (std::size_t i = 0; i < values.nodes.size(); ++i) {
    const mpfr_srcptr x = values.nodes[i].get();
    rule.nodes.push_back(computed(x, mpfr_zero_p(x) != 0 ? 0.0 : margin));
    rule.weights.push_back(computed(values.weights[i].get(), margin));
  }
  return rule;
}

// Lobatto (end = 0) or Radau (end = -1) from the Gauss-Jacobi rule of its
// interior nodes: each interior weight w / (1 - x^2) or w / (1 + x), whose
// error grows by 2 |x| / (1 - x^2) or 1 / (1 + x) times the node's.
ReferenceRule with_ends(int order, bool lobatto, mpfr_prec_t bits) {
  const Values interior =
      gauss_rule(Polynomial{Classical::jacobi, order - (lobatto ? 2 : 1),
                            lobatto ? 1.0 : 0.0, 1.0},
                 bits);
  ReferenceRule rule;
  rule.proved = interior.proved;
  const double margin = relative_margin(bits);
  // The end weight 2 / (N (N - 1)) or 2 / N^2.
  const auto order_u = static_cast<unsigned long>(order);
  ReferenceValue end_weight{BigFloat(bits), margin};
  mpfr_set_ui(end_weight.value.get(), 2, MPFR_RNDN);
  mpfr_div_ui(end_weight.value.get(), end_weight.value.get(), order_u,
              MPFR_RNDN);
  mpfr_div_ui(end_weight.value.get(), end_weight.value.get(),
              lobatto ? order_u - 1 : order_u, MPFR_RNDN);
  rule.nodes.push_back(exact(-1, bits));
  rule.weights.push_back(end_weight);
  BigFloat divisor(bits);
  for (std::size_t i = 0; i < interior.nodes.size(); ++i) {
    const mpfr_srcptr x = interior.nodes[i].get();
    if (lobatto) {
      mpfr_sqr(divisor.get(), x, MPFR_RNDN);
      mpfr_ui_sub(divisor.get(), 1, divisor.get(), MPFR_RNDN);
    } else {
      mpfr_add_ui(divisor.get(), x, 1, MPFR_RNDN);
    }
    const double growth =
        (lobatto ? 2.0 * std::fabs(mpfr_get_d(x, MPFR_RNDN)) : 1.0) /
        mpfr_get_d(divisor.get(), MPFR_RNDN);
    rule.nodes.push_back(computed(x, mpfr_zero_p(x) != 0 ? 0.0 : margin));
    ReferenceValue w =
        computed(interior.weights[i].get(), margin * (1.0 + growth));
    mpfr_div(w.value.get(), w.value.get(), divisor.get(), MPFR_RNDN);
    rule.weights.push_back(std::move(w));
  }
  if (lobatto) {
    rule.nodes.push_back(exact(1, bits));
    rule.weights.push_back(end_weight);
  }
  return rule;
}

// The Chebyshev rules from their closed forms: node j (ascending) -cos(t)
// with t = (2j + 1) pi / 2n and weight pi / n (first kind), or t = (j + 1)
// pi / (n + 1) and weight pi / (n + 1) sin^2 t (second kind); the upper
// half the mirror image of the lower, the middle node exactly 0.
ReferenceRule chebyshev(int n, bool second, mpfr_prec_t bits) {
  ReferenceRule rule;
  rule.proved = true;
  const double margin = relative_margin(bits);
  const auto un = static_cast<unsigned long>(n);
  const unsigned long parts = second ? 2 * (un + 1) : 2 * un;
  BigFloat t(bits);
  BigFloat x(bits);
  BigFloat w(bits);
  for (int j = 0; j < n; ++j) {
    const int mirror = n - 1 - j;
    if (mirror < j) {
      rule.nodes.push_back(
          computed(rule.nodes[at(mirror)].value.get(), margin));
      mpfr_neg(rule.nodes.back().value.get(), rule.nodes.back().value.get(),
               MPFR_RNDN);
      rule.weights.push_back(rule.weights[at(mirror)]);
      continue;
    }
    const auto uj = static_cast<unsigned long>(j);
    mpfr_const_pi(t.get(), MPFR_RNDN);
    mpfr_mul_ui(t.get(), t.get(), second ? 2 * (uj + 1) : 2 * uj + 1,
                MPFR_RNDN);
    mpfr_div_ui(t.get(), t.get(), parts, MPFR_RNDN);
    mpfr_cos(x.get(), t.get(), MPFR_RNDN);
    mpfr_neg(x.get(), x.get(), MPFR_RNDN);
    if (mirror == j) {
      mpfr_set_zero(x.get(), 1);
    }
    mpfr_const_pi(w.get(), MPFR_RNDN);
    mpfr_div_ui(w.get(), w.get(), second ? un + 1 : un, MPFR_RNDN);
    if (second) {
      mpfr_sin(t.get(), t.get(), MPFR_RNDN);
      mpfr_sqr(t.get(), t.get(), MPFR_RNDN);
      mpfr_mul(w.get(), w.get(), t.get(), MPFR_RNDN);
    }
    rule.nodes.push_back(computed(x.get(), mirror == j ? 0.0 : margin));
    rule.weights.push_back(computed(w.get(), margin));
  }
  return rule;
}

// The weights times e^(x^2), e^(x^2 / 2) or e^x: the relative error grows
// by the exponent's derivative times the node's error.
void scale_weights(ReferenceRule& rule, RuleFamily family, mpfr_prec_t bits) {
  BigFloat e(bits);
  for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
    const ReferenceValue& node = rule.nodes[i];
    const mpfr_srcptr x = node.value.get();
    double growth = std::fabs(mpfr_get_d(x, MPFR_RNDN));
    if (family == RuleFamily::laguerre) {
      mpfr_set(e.get(), x, MPFR_RNDN);
    } else {
      mpfr_sqr(e.get(), x, MPFR_RNDN);
      if (family == RuleFamily::hermite_prob) {
        mpfr_div_2ui(e.get(), e.get(), 1, MPFR_RNDN);
      } else {
        growth *= 2.0;
      }
      growth *= std::fabs(mpfr_get_d(x, MPFR_RNDN));
    }
    mpfr_exp(e.get(), e.get(), MPFR_RNDN);
    ReferenceValue& w = rule.weights[i];
    mpfr_mul(w.value.get(), w.value.get(), e.get(), MPFR_RNDN);
    w.relative_error += growth * node.relative_error;
  }
}

// Nodes (a + b)/2 + (b - a)/2 x and weights (b - a)/2 w, exactly from the
// values on [-1, 1], so that the only error is theirs: a node's is its
// radius times x's, which is relative to the node's |(b - a)/2 x|, not to
// the sum, which may cancel.
void map_to_interval(ReferenceRule& rule, double a, double b) {
  BigFloat mid(interval_bits);
  BigFloat radius(interval_bits);
  mpfr_set_d(mid.get(), a, MPFR_RNDN);
  mpfr_add_d(mid.get(), mid.get(), b, MPFR_RNDN);
  mpfr_div_2ui(mid.get(), mid.get(), 1, MPFR_RNDN);
  mpfr_set_d(radius.get(), b, MPFR_RNDN);
  mpfr_sub_d(radius.get(), radius.get(), a, MPFR_RNDN);
  mpfr_div_2ui(radius.get(), radius.get(), 1, MPFR_RNDN);
  BigFloat part(interval_bits);
  for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
    ReferenceValue& node = rule.nodes[i];
    const mpfr_prec_t bits = mpfr_get_prec(node.value.get());
    ReferenceValue mapped{BigFloat(bits + interval_bits), 0.0};
    mpfr_mul(part.get(), radius.get(), node.value.get(), MPFR_RNDN);
    mpfr_add(mapped.value.get(), mid.get(), part.get(), MPFR_RNDN);
    if (node.relative_error != 0.0 && mpfr_zero_p(mapped.value.get()) == 0) {
      mpfr_div(part.get(), part.get(), mapped.value.get(), MPFR_RNDN);
      mapped.relative_error =
          node.relative_error * std::fabs(mpfr_get_d(part.get(), MPFR_RNDN));
    }
    rule.nodes[i] = computed(mapped.value.get(), mapped.relative_error);
    ReferenceValue& w = rule.weights[i];
    ReferenceValue scaled{BigFloat(bits + interval_bits), w.relative_error};
    mpfr_mul(scaled.value.get(), w.value.get(), radius.get(), MPFR_RNDN);
    rule.weights[i] = computed(scaled.value.get(), scaled.relative_error);
  }
}

}  // namespace

std::string family_name(RuleFamily family) {
  for (const RuleFamilyName& f : rule_family_names) {
    if (f.family == family) {
      return std::string(f.name);
    }
  }
  return "?";
}

ReferenceRule reference_rule(const FamilyRequest& request, mpfr_prec_t bits) {
  widen_exponents();
  const int n = request.n;
  int least = max_order + 1;
  for (const RuleFamilyName& f : rule_family_names) {
    if (f.family == request.family) {
      least = f.min_order;
    }
  }
  if (n < least || n > max_order) {
    return {};
  }
  ReferenceRule rule;
  const auto classical = [&](Classical kind, double a, double b) {
    return from_values(gauss_rule(Polynomial{kind, n, a, b}, bits), bits);
  };
  switch (request.family) {
    case RuleFamily::legendre:
      rule = classical(Classical::jacobi, 0.0, 0.0);
      break;
    case RuleFamily::jacobi:
      rule = classical(Classical::jacobi, request.alpha, request.beta);
      break;
    case RuleFamily::lobatto:
      rule = with_ends(n, true, bits);
      break;
    case RuleFamily::radau:
    case RuleFamily::radau_right:
      rule = with_ends(n, false, bits);
      break;
    case RuleFamily::chebyshev1:
    case RuleFamily::chebyshev2:
      rule = chebyshev(n, request.family == RuleFamily::chebyshev2, bits);
      break;
    case RuleFamily::hermite:
      rule = classical(Classical::hermite, 0.0, 0.0);
      break;
    case RuleFamily::hermite_prob:
      rule = classical(Classical::hermite_prob, 0.0, 0.0);
      break;
    case RuleFamily::laguerre:
      rule = classical(Classical::laguerre, request.alpha, 0.0);
      break;
    case RuleFamily::kronrod:
      return {};
  }
  if (request.family == RuleFamily::radau_right) {
    std::reverse(rule.nodes.begin(), rule.nodes.end());
    std::reverse(rule.weights.begin(), rule.weights.end());
    for (ReferenceValue& node : rule.nodes) {
      mpfr_neg(node.value.get(), node.value.get(), MPFR_RNDN);
    }
  }
  if (request.scaled) {
    scale_weights(rule, request.family, bits);
  }
  if (request.on_interval) {
    map_to_interval(rule, request.a, request.b);
  }
  return rule;
}

double nearest_double(mpfr_srcptr v, double relative_error, bool* certain) {
  if (certain != nullptr) {
    *certain = true;
  }
  if (mpfr_zero_p(v) != 0) {
    return mpfr_signbit(v) != 0 ? -0.0 : 0.0;
  }
  // v = m 2^e with 1/2 <= |m| < 1, so the doubles of its binade are
  // spaced 2^(e - 53), and the subnormals 2^-1074.
  const mpfr_exp_t e = mpfr_get_exp(v);
  if (e > DBL_MAX_EXP) {
    return mpfr_sgn(v) > 0 ? HUGE_VAL : -HUGE_VAL;
  }
  const long quantum = std::max(static_cast<long>(e) - DBL_MANT_DIG,
                                static_cast<long>(DBL_MIN_EXP - DBL_MANT_DIG));
  const mpfr_prec_t bits = mpfr_get_prec(v);
  BigFloat t(bits);
  BigFloat r(bits);
  mpfr_mul_2si(t.get(), v, -quantum, MPFR_RNDN);
  mpfr_rint(r.get(), t.get(), MPFR_RNDN);  // MPFR's ties go to even
  if (certain != nullptr && relative_error != 0.0) {
    // 1/2 - |t - r| quanta from the nearest midpoint, against |t| times
    // the relative error.
    BigFloat off(bits);
    mpfr_sub(off.get(), t.get(), r.get(), MPFR_RNDN);
    mpfr_abs(off.get(), off.get(), MPFR_RNDN);
    mpfr_d_sub(off.get(), 0.5, off.get(), MPFR_RNDN);
    mpfr_abs(t.get(), t.get(), MPFR_RNDN);
    mpfr_mul_d(t.get(), t.get(), relative_error, MPFR_RNDU);
    *certain = mpfr_cmp(off.get(), t.get()) > 0;
  }
  mpfr_mul_2si(r.get(), r.get(), quantum, MPFR_RNDN);
  return mpfr_get_d(r.get(), MPFR_RNDN);  // exact: r is a double
}

ExpectedRule expected_rule(const FamilyRequest& request,
                           ReferenceRule* reference) {
  ExpectedRule out;
  ReferenceRule computed;
  ReferenceRule& rule = reference != nullptr ? *reference : computed;
  rule = reference_rule(request, reference_bits);
  if (rule.nodes.empty()) {
    out.problem = "no reference for this family or order";
    return out;
  }
  if (!rule.proved) {
    out.problem = "reference roots not proved at 256 bits";
    return out;
  }
  std::vector<std::size_t> uncertain_nodes;
  std::vector<std::size_t> uncertain_weights;
  for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
    bool certain = true;
    out.nodes.push_back(nearest_double(rule.nodes[i].value.get(),
                                       rule.nodes[i].relative_error, &certain));
    if (!certain) {
      uncertain_nodes.push_back(i);
    }
    out.weights.push_back(nearest_double(
        rule.weights[i].value.get(), rule.weights[i].relative_error, &certain));
    if (!certain) {
      uncertain_weights.push_back(i);
    }
  }
  if (uncertain_nodes.empty() && uncertain_weights.empty()) {
    return out;
  }
  const ReferenceRule precise = reference_rule(request, recheck_bits);
  if (!precise.proved) {
    out.problem = "reference roots not proved at 1024 bits";
    return out;
  }
  const auto recheck = [&](const std::vector<ReferenceValue>& values,
                           const std::vector<std::size_t>& which,
                           std::vector<double>& rounded) {
    for (const std::size_t i : which) {
      bool certain = true;
      rounded[i] = nearest_double(values[i].value.get(),
                                  values[i].relative_error, &certain);
      out.undecided += certain ? 0 : 1;
    }
  };
  recheck(precise.nodes, uncertain_nodes, out.nodes);
  recheck(precise.weights, uncertain_weights, out.weights);
  return out;
}

}  // namespace zemta::testing
