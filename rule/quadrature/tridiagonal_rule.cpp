#include "rule/quadrature/tridiagonal_rule.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "common/double_double.h"
#include "rule/quadrature/exact_value.h"
#include "rule/quadrature/fast_count.h"
#include "rule/quadrature/interval_lanes.h"

// The method, for T of order m with diagonal a_j and squared off-diagonal
// b2_j (rows j and j+1), 0-based.
//
// Counts. T - z = L D L^T with the top-down pivots d_0 = a_0 - z, d_j =
// (a_j - z) - b2_{j-1} / d_{j-1}; by Sylvester's law of inertia the number
// of negative pivots is the number of eigenvalues below z, exactly. Each
// pivot is computed as a ball enclosing the exact pivot of the exact
// matrix at the exact point z: when every ball excludes 0 the signs, and so
// the count, are certain; a ball holding 0 makes the count undecided. The
// recurrence is first order, so the radii grow by the factor b2 / d^2 of a
// step, not exponentially in m as they would for the three-term recurrence
// of the polynomials. lambda_k (ascending, 0-based) lies in (lo, hi) when
// count(lo) == k and count(hi) == k + 1.
//
// Candidates. Newton in double from the parabola through the last three
// nodes (the line through the two for the third node), kept when counts in
// double confirm it found node k, else bisection by the same counts in double
// to 2^-20 of the node; then Newton's method on the last pivot d_{m-1}(z) =
// det(T - z) / det(T_{0..m-2} - z) in double and in double-double takes it to
// about 2^-100 relative (in ball midpoints at the higher precisions). d_{m-1}'s
// derivative at lambda_k is -1 / u_{k,m-1}^2, and the last component of a Gauss
// rule's eigenvector is never tiny (its nodes lie where the polynomial of
// degree m - 1 oscillates), so the iteration is well conditioned for every
// node; the first pivot's derivative, -1 / u_{k,0}^2, reaches e^2000 for the
// outer Hermite nodes and would overflow a double. The candidates only have to
// be close: the counts certify.
//
// Weights. The bottom-up pivots delta_{m-1} = a_{m-1} - z, delta_j = (a_j -
// z) - b2_j / delta_{j+1} give delta_0(z) = det(T - z) / det(T_{1..m-1} -
// z), whose derivative at lambda_k is -1 / u_{k,0}^2 (both are the residue
// of (T - z)^-1's corner element). Differentiating the recurrence,
// delta'_{m-1} = -1 and delta'_j = -1 + (b2_j / delta_{j+1}^2) delta'_{j+1}:
// every delta' is <= -1 and the sum never cancels. So the weight is mu0 /
// |delta'_0(lambda_k)|, evaluated in balls over the certified enclosure of
// lambda_k (the pivots delta_1.. are nonzero there: T_{j..m-1}'s
// eigenvalues interlace T's strictly). The balls enclose every value over
// the enclosure, so the weight's ball holds the exact weight.
//
// Rounding (Ziv). A node is taken when both ends of its mapped enclosure
// round to one double (exactly, dyadic_round), a weight when its ball does
// (ball_round); the others are redone with twice the bits, the candidate
// refined and the enclosure narrowed, up to tridiagonal_max_bits. Past it a
// value lies within about 2^-4000 relative of a midpoint between doubles,
// or is one exactly (no irrational node or weight is, but an order-1
// matrix's rational node can be on a chosen interval): it takes the even
// neighbour, as a tie does, and is counted.
//
// Speed. The counts and the weight's sum are first made in double-double
// with a rigorous bound (fast_count.h), about a hundred times cheaper than
// the balls, which take over only where that bound cannot decide a sign or
// round a weight; the enclosure is widened for them while it can still
// round. The nodes go in groups, their first tries' passes side by side
// in vector lanes, one point to a lane (interval_lanes.h): the candidates,
// the first counts, the twist rows' measures, and the weight passes at one
// twist row for the group (at any row the ball holds the weight; the pass
// fails where a pivot on its walk may vanish, and a node its shared row
// does not decide is passed alone). The rest of a node's tries run alone.
//
// Symmetric rules. With a zero diagonal T is similar to -T, so lambda_{m-1-k}
// = -lambda_k with the same weight, and an odd order has the node 0. Its
// weight comes from the orthonormal polynomials at 0, where the recurrence
// e_j p_{j+1} = -e_{j-1} p_{j-1} is a product with no cancellation: p_j(0)^2
// = 0 for odd j, p_0^2 = 1, p_{j+1}^2 = p_{j-1}^2 b2_{j-1} / b2_j, and the
// weight is mu0 / sum p_j(0)^2.

namespace zemta::detail {
namespace {

int start_bits_override = 0;
bool skip_rounding_test = false;
long long retries = 0;
long long fallbacks = 0;

// The most Newton iterations for a candidate: in double-double from a
// double bisection's ulp (two reach the arithmetic's noise when the counts
// in double were exact; more when their rounding left the bracket some
// ulps off), and in ball midpoints, each doubling the correct bits.
constexpr int dd_newton_steps = 5;
constexpr int double_newton_steps = 4;
constexpr int ball_newton_steps = 8;
// From a node extrapolated from the last three, Newton in double converges
// in two or three steps where the nodes' spacing changes slowly; past this
// many the bisection takes over.
constexpr int extrapolated_newton_steps = 8;
// The enclosure's half width is the larger of 2^enclosure_step_bits times
// the last Newton step (the candidate's error, at the noise of its
// arithmetic: a margin of 2^10 over it keeps the pivot nearest 0 at the
// enclosure's ends well above the double-double counts' error bound, so
// that they decide without the balls) and
// 2^-(bits - enclosure_guard_bits) times the node, so that the pivots'
// own rounding (about 2^-bits times the matrix's norm) stays far below it.
constexpr int enclosure_guard_bits = 24;
constexpr int enclosure_step_bits = 10;
// The double-double counts try an enclosure at least 2^-fast_floor_bits
// times the matrix's norm: their bound, about 2^-99 times the norm and more
// along the recurrence, cannot decide a narrower one around a node far
// below the norm (the middle nodes of a symmetric rule). The balls, and
// the retries at more bits, keep the narrower enclosure.
constexpr int fast_floor_bits = 95;
// The double-double counts' enclosure is widened by 2^fast_widen_step up
// to 2^fast_widen_most, while it stays within 2^-60 of the node relative.
constexpr int fast_widen_step = 8;
constexpr int fast_widen_most = 24;
// A certified enclosure wider than 2^-fast_narrow_bits of its node is
// narrowed by the double-double counts.
constexpr int fast_narrow_bits = 88;
// ... and by the balls too while wider than 2^narrow_ball_bits times that
// (2^-60 of the node, about where a node stops rounding).
constexpr int narrow_ball_bits = 28;
// The relative width of Gershgorin's interval added as a margin to its
// double computation (the counts then check it).
constexpr double gershgorin_margin = 0x1p-20;

Dyadic dyadic_neg(Dyadic v) {
  if (!v.mantissa.limbs.empty()) {
    v.mantissa.negative = !v.mantissa.negative;
  }
  return v;
}

Dyadic dyadic_sub(const Dyadic& x, const Dyadic& y) {
  return dyadic_add(x, dyadic_neg(y));
}

Dyadic power_of_two(int e) { return {big_from_u64(1), e}; }

// floor(log2 |v|) + 1, and INT_MIN for 0.
int dyadic_magnitude(const Dyadic& v) {
  const int length = big_bit_length(v.mantissa);
  return length == 0 ? INT_MIN : length + v.exponent;
}

// v cut to about `bits` bits (the candidates' size stays bounded).
Dyadic dyadic_cut(const Dyadic& v, int bits) {
  return ball_add(ball_from_dyadic(v), ball_from_int(0), bits).mid;
}

Dd dd_from_ball(const Ball& x) {
  const double hi = ball_mid_double(x);
  const double lo = dyadic_round(dyadic_sub(x.mid, dyadic_from_double(hi)));
  return {hi, lo};
}

Dyadic dyadic_from_dd(Dd v) {
  return dyadic_add(dyadic_from_double(v.hi), dyadic_from_double(v.lo));
}

// The matrix in double-double and double, for the candidates.
struct FastMatrix {
  std::vector<Dd> a;
  std::vector<Dd> b2;
  std::vector<double> a1;
  std::vector<double> b21;
};

FastMatrix fast_matrix(const JacobiMatrix& t) {
  FastMatrix f;
  for (const Ball& x : t.a) {
    f.a.push_back(dd_from_ball(x));
  }
  for (const Ball& x : t.b2) {
    f.b2.push_back(dd_from_ball(x));
  }
  for (const Dd& x : f.a) {
    f.a1.push_back(x.hi);
  }
  for (const Dd& x : f.b2) {
    f.b21.push_back(x.hi);
  }
  return f;
}

// The most candidates made at once: the Newton steps in double-double
// run on 2 * lanes of them side by side (IntervalLanes::newton_steps).
constexpr int max_candidate_batch = 2 * max_interval_lanes;

// (a - z) - q, in one operation when a is exactly 0 (the symmetric
// families' whole diagonal): -z - q, with -z made once per pass.
bool is_exact_zero(const Ball& x) {
  return !x.whole && x.mid.mantissa.limbs.empty() && x.rad.mantissa == 0;
}

Ball pivot(const Ball& a, const Ball& z, const Ball& minus_z, const Ball& q,
           int bits) {
  return is_exact_zero(a) ? ball_sub(minus_z, q, bits)
                          : ball_sub(ball_sub(a, z, bits), q, bits);
}

// The count of eigenvalues below the exact point z, or -1 if undecided.
int ball_count(const JacobiMatrix& t, const Dyadic& z, int bits) {
  const Ball zb = ball_from_dyadic(z);
  const Ball minus_z = ball_neg(zb);
  int negative = 0;
  Ball d = ball_sub(t.a[0], zb, bits);
  for (std::size_t j = 0;; ++j) {
    const int s = ball_sign(d);
    if (s == 0) {
      return -1;
    }
    if (s < 0) {
      ++negative;
    }
    if (j + 1 == t.a.size()) {
      break;
    }
    d = pivot(t.a[j + 1], zb, minus_z, ball_div(t.b2[j], d, bits), bits);
  }
  return negative;
}

// The Newton step d_{m-1}(z) / d'_{m-1}(z) in balls at the point z, its
// midpoint (only a candidate); false if a pivot ball holds 0.
bool ball_newton_step(const JacobiMatrix& t, const Dyadic& z, int bits,
                      Dyadic* step) {
  const Ball zb = ball_from_dyadic(z);
  const Ball minus_z = ball_neg(zb);
  const Ball minus_one = ball_from_int(-1);
  Ball d = ball_sub(t.a[0], zb, bits);
  Ball dp = minus_one;
  for (std::size_t j = 1; j < t.a.size(); ++j) {
    if (ball_sign(d) == 0) {
      return false;
    }
    const Ball q = ball_div(t.b2[j - 1], d, bits);
    dp = ball_add(minus_one, ball_mul(ball_div(q, d, bits), dp, bits), bits);
    d = pivot(t.a[j], zb, minus_z, q, bits);
  }
  const Ball s = ball_div(d, dp, bits);
  if (s.whole) {
    return false;
  }
  *step = s.mid;
  return true;
}

// 1 / u_{k,0}^2 = -delta'_0 over the ball z (whole if a pivot may vanish).
//
// A pivot delta_{j+1} may vanish at the node itself: lambda_k can be an
// eigenvalue of a trailing block T_{j+1..m-1} (T's eigenvalues interlace
// only T_{1..m-1}'s strictly; Chebyshev's second kind has the node 1/2 of
// order 5 and of its last block of order 2). Then delta_j has a pole and
// delta_{j-1} is finite: the step from delta_{j+1} = D to delta_{j-1}
// eliminates delta_j, b2_{j-1} / delta_j = b2_{j-1} D / g with g = (a_j -
// z) D - b2_j, which is near -b2_j < 0 when D is near 0, and differentiates
// as delta'_{j-1} = -1 - b2_{j-1} (D' g - D g') / g^2, g' = (a_j - z) D' - D.
Ball inverse_first_component(const JacobiMatrix& t, const Ball& z, int bits) {
  const std::size_t m = t.a.size();
  const Ball minus_one = ball_from_int(-1);
  Ball delta = ball_sub(t.a[m - 1], z, bits);
  Ball dp = minus_one;
  // delta and dp are the pivot of row j + 1 and its derivative.
  std::size_t j = m - 1;
  while (j-- > 0) {
    if (ball_sign(delta) != 0 || j == 0) {
      const Ball q = ball_div(t.b2[j], delta, bits);
      dp = ball_add(minus_one, ball_mul(ball_div(q, delta, bits), dp, bits),
                    bits);
      delta = ball_sub(ball_sub(t.a[j], z, bits), q, bits);
      continue;
    }
    const Ball shifted = ball_sub(t.a[j], z, bits);
    const Ball g = ball_sub(ball_mul(shifted, delta, bits), t.b2[j], bits);
    const Ball gp = ball_sub(ball_mul(shifted, dp, bits), delta, bits);
    const Ball num =
        ball_sub(ball_mul(dp, g, bits), ball_mul(delta, gp, bits), bits);
    const Ball h = ball_div(ball_mul(t.b2[j - 1], delta, bits), g, bits);
    dp = ball_sub(
        minus_one,
        ball_div(ball_mul(t.b2[j - 1], num, bits), ball_mul(g, g, bits), bits),
        bits);
    delta = ball_sub(ball_sub(t.a[j - 1], z, bits), h, bits);
    --j;
  }
  return ball_neg(dp);
}

// 1 / u_{k,0}^2 over the ball z from the eigenvector itself, normalized to
// u_0 = 1: u_{j+1}^2 = u_j^2 d_j^2 / b2_j by the top-down pivots up to the
// twist row r, v_{j-1}^2 = v_j^2 delta_j^2 / b2_{j-1} from v_{m-1} = 1 by the
// bottom-up pivots down to r, and the two joined at r; the sum of squares
// is 1 / u_0^2. Each square is a product with no cancellation, and the
// sum has none. The twist r is where the eigenvector is largest (the least
// |gamma_r|, gamma_r = d_r + delta_r - (a_r - z)), so that the pivots on
// either side stay away from 0: with the derivative form above, the
// weight's ball is as wide as the enclosure times 1 / u_0^2 (e^2000 for
// the outer Hermite nodes), here as wide as it times a sum of 1 / |d_j|.
// Whole when a pivot on the way may vanish (then the derivative form).
Ball inverse_first_square(const JacobiMatrix& t, const Ball& z, int bits,
                          std::size_t r) {
  const std::size_t m = t.a.size();
  const Ball minus_z = ball_neg(z);
  Ball square = ball_from_int(1);
  Ball sum = square;
  Ball d = ball_sub(t.a[0], z, bits);
  for (std::size_t j = 0; j < r; ++j) {
    if (j > 0) {
      d = pivot(t.a[j], z, minus_z, ball_div(t.b2[j - 1], d, bits), bits);
    }
    square =
        ball_div(ball_mul(square, ball_mul(d, d, bits), bits), t.b2[j], bits);
    sum = ball_add(sum, square, bits);
  }
  if (r + 1 == m) {
    return sum;
  }
  // The bottom-up side, v_{m-1} = 1: its sum over rows r+1.., and v_r^2.
  Ball v = ball_from_int(1);
  Ball tail = ball_from_int(0);
  Ball delta = ball_sub(t.a[m - 1], z, bits);
  for (std::size_t j = m - 1; j > r; --j) {
    if (j < m - 1) {
      delta = pivot(t.a[j], z, minus_z, ball_div(t.b2[j], delta, bits), bits);
    }
    tail = ball_add(tail, v, bits);
    v = ball_div(ball_mul(v, ball_mul(delta, delta, bits), bits), t.b2[j - 1],
                 bits);
  }
  // Rows above r scale by u_r^2 / v_r^2.
  return ball_add(sum, ball_div(ball_mul(tail, square, bits), v, bits), bits);
}

// The twist row: the least |gamma_j|, where the eigenvector is largest
// (only a choice; the enclosure does not depend on it), the last of equals.
std::size_t twist_row(const std::vector<double>& gammas) {
  std::size_t best = gammas.size() - 1;
  for (std::size_t j = best; j-- > 0;) {
    if (gammas[j] < gammas[best]) {
      best = j;
    }
  }
  return best;
}

// A twist row for n nodes at once, gammas[i] and rows[i] node i's: the
// least of the largest of |gamma_j| / least |gamma| of each. Over the
// middle of a Gauss rule's eigenvector its components are all alike and the
// least |gamma_j| falls anywhere, so a row good for all is near as good for
// each.
std::size_t shared_twist_row(const std::vector<double>* gammas,
                             const std::size_t* rows, int n) {
  double scale[max_interval_lanes];
  for (int i = 0; i < n; ++i) {
    const double least = gammas[i][rows[i]];
    if (!(least > 0.0)) {
      return rows[i];
    }
    scale[i] = 1.0 / least;
  }
  const auto worst = [&](std::size_t j) {
    double w = 0.0;
    for (int i = 0; i < n; ++i) {
      w = std::max(w, gammas[i][j] * scale[i]);
    }
    return w;
  };
  std::size_t best = gammas[0].size() - 1;
  double best_ratio = worst(best);
  for (std::size_t j = best; j-- > 0;) {
    const double ratio = worst(j);
    if (ratio < best_ratio) {
      best_ratio = ratio;
      best = j;
    }
  }
  return best;
}

Ball weight_factor(WeightFactor factor, const Ball& x, int bits) {
  Ball one = ball_from_int(1);
  switch (factor) {
    case WeightFactor::one:
      return one;
    case WeightFactor::exp_square:
      return ball_exp(ball_mul(x, x, bits), bits);
    case WeightFactor::exp_half_square:
      return ball_exp(ball_mul_2exp(ball_mul(x, x, bits), -1), bits);
    case WeightFactor::exp_linear:
      return ball_exp(x, bits);
    case WeightFactor::inverse_one_minus_square:
      return ball_div(one, ball_sub(one, ball_mul(x, x, bits), bits), bits);
    case WeightFactor::inverse_one_plus:
      return ball_div(one, ball_add(one, x, bits), bits);
    case WeightFactor::inverse_one_minus:
      return ball_div(one, ball_sub(one, x, bits), bits);
  }
  return one;
}

// The table's weight from 1 / u_0^2 over the node's ball x.
Ball mapped_weight(const JacobiMatrix& t, const RuleMap& map, const Ball& x,
                   const Ball& inverse_u2, int bits) {
  const Ball w = ball_div(t.mu0, inverse_u2, bits);
  return ball_mul(ball_mul(w, weight_factor(map.factor, x, bits), bits),
                  ball_from_dyadic(map.scale), bits);
}

// Rounds shift + scale x for x in [lo, hi] (scale > 0, so the ends bound
// it); false if the ends round apart or past DBL_MAX.
bool round_node(const RuleMap& map, const Dyadic& lo, const Dyadic& hi,
                double* out) {
  const double l =
      dyadic_round(dyadic_add(map.shift, dyadic_mul(map.scale, lo)));
  const double h =
      dyadic_round(dyadic_add(map.shift, dyadic_mul(map.scale, hi)));
  if (std::isinf(l) || std::isinf(h)) {
    return false;
  }
  if (l != h || std::signbit(l) != std::signbit(h)) {
    return false;
  }
  *out = l;
  return true;
}

// Past the most bits: the ends of [lo, hi] round to two neighbouring
// doubles, so the value lies within the enclosure's width (about 2^-4000
// relative) of the midpoint between them. A value that close is, in all
// likelihood, the midpoint itself (a rational node or weight of an order-1
// matrix on a chosen interval can be), so the even one is taken, as ties
// to even would; a wider enclosure takes its middle's rounding.
bool round_undecided(const Dyadic& lo, const Dyadic& hi, double* out) {
  const double l = dyadic_round(lo);
  const double h = dyadic_round(hi);
  if (std::isinf(l) || std::isinf(h)) {
    return false;
  }
  if (l == h || std::nextafter(l, h) == h) {
    *out = (std::bit_cast<std::uint64_t>(l) & 1U) == 0 ? l : h;
    return true;
  }
  *out = dyadic_round(dyadic_mul(dyadic_add(lo, hi), power_of_two(-1)));
  return true;
}

bool round_undecided(const Ball& x, double* out) {
  return !x.whole && round_undecided(ball_lower(x), ball_upper(x), out);
}

// A positive ball whose lower end rounds past DBL_MAX: no precision will
// make it a double.
bool beyond_double(const Ball& x) {
  return !x.whole && std::isinf(dyadic_round(ball_lower(x)));
}

bool round_midpoint(const Ball& x, double* out) {
  if (x.whole) {
    return false;
  }
  const double v = ball_mid_double(x);
  if (std::isinf(v)) {
    return false;
  }
  *out = v;
  return true;
}

// The engine's state for one rule: the matrix at each precision tried.
class Engine {
 public:
  // solve_count: the nodes 0 to solve_count - 1 will be asked for in order.
  Engine(JacobiMatrixMaker make, const void* context, int m, const RuleMap& map,
         int solve_count)
      : make_(make),
        context_(context),
        m_(m),
        map_(map),
        solve_count_(solve_count) {}

  bool prepare() {
    if (matrix(0) == nullptr) {
      return false;
    }
    fast_ = fast_matrix(levels_[0]);
    counts_ = fast_count_matrix(levels_[0].a, levels_[0].b2);
    // Gershgorin's interval, widened: the counts confirm it below.
    double lo = fast_.a1[0];
    double hi = lo;
    for (int j = 0; j < m_; ++j) {
      double e = 0.0;
      if (j > 0) {
        e += std::sqrt(fast_.b21[static_cast<std::size_t>(j - 1)]);
      }
      if (j + 1 < m_) {
        e += std::sqrt(fast_.b21[static_cast<std::size_t>(j)]);
      }
      lo = std::min(lo, fast_.a1[static_cast<std::size_t>(j)] - e);
      hi = std::max(hi, fast_.a1[static_cast<std::size_t>(j)] + e);
    }
    const double margin =
        (std::fabs(lo) + std::fabs(hi) + 1.0) * gershgorin_margin;
    lower_ = lo - margin;
    upper_ = hi + margin;
    norm_ = std::max(std::fabs(lower_), std::fabs(upper_));
    return true;
  }

  // One node's work between the engine's calls: node k (and, if mirror,
  // node m-1-k as -lambda_k) and its weight, the enclosures so far, and the
  // first try's weight waiting for the double-double pass it shares with
  // the rest of its group (pending_weights).
  struct NodeWork {
    int k = 0;
    bool mirror = false;
    double node = 0.0;
    double mirrored = 0.0;
    double weight = 0.0;
    bool node_done = false;
    bool mirror_done = false;
    bool weight_done = false;
    Dyadic candidate;
    Dyadic last_lo;
    Dyadic last_hi;
    Ball last_weight;
    bool have_enclosure = false;
    // The search's state (the engine's members while it works on this
    // node).
    bool have_bracket = false;
    Dyadic bracket_lo;
    Dyadic bracket_hi;
    int step_magnitude = INT_MAX;
    // The weight's point at the last try: the enclosure's half width, its
    // ball, the twist row.
    Dyadic half_width;
    Ball z;
    std::size_t r = 0;
    bool weight_pending = false;
    bool begun_done = false;
  };

  // The nodes solved side by side: as many as the lanes' points.
  [[nodiscard]] int group_size() const { return lanes_.lanes; }

  // The first tries at nodes work[0..count-1] (count <= group_size(), in
  // order) up to their weights, whose double-double passes are left
  // pending; the nodes' first certified counts side by side.
  void begin(NodeWork* work, int count) {
    for (int i = 0; i < count; ++i) {
      NodeWork& w = work[i];
      w.candidate = first_candidate(w.k);
      w.step_magnitude = step_magnitude_;
      w.mirror_done = !w.mirror;
      w.last_weight.whole = true;
    }
    // The counts' points, two a node, and where each node's are.
    Dyadic points[2 * max_interval_lanes];
    int counts[2 * max_interval_lanes];
    int at[max_interval_lanes];
    int n = 0;
    for (int i = 0; i < count; ++i) {
      step_magnitude_ = work[i].step_magnitude;
      at[i] = first_count_points(work[i], &points[n]) ? n : -1;
      n += at[i] >= 0 ? 2 : 0;
    }
    for (int p = 0; p < n; p += lanes_.lanes) {
      fast_counts(lanes_, counts_, &points[p], std::min(lanes_.lanes, n - p),
                  &counts[p]);
    }
    for (int i = 0; i < count; ++i) {
      NodeWork& w = work[i];
      have_bracket_ = false;
      step_magnitude_ = w.step_magnitude;
      const Step s =
          attempt(w, 0, fast_paths(), at[i] >= 0 ? &counts[at[i]] : nullptr);
      w.begun_done = s == Step::done;
      save(w);
    }
  }

  // The pending weights' double-double passes, side by side at a twist row
  // shared (shared_twist_row): fast[i] for work[i] (whole when none is
  // pending). A node the shared row does not decide gets its own row's
  // pass.
  void pending_weights(NodeWork* work, int count, Ball* fast) {
    int pending[max_interval_lanes];
    std::size_t rows[max_interval_lanes];
    int n = 0;
    double z[max_interval_lanes];
    for (int i = 0; i < count; ++i) {
      fast[i].whole = true;
      if (work[i].weight_pending) {
        z[n] = dyadic_round(work[i].candidate);
        pending[n++] = i;
      }
    }
    if (n == 0) {
      return;
    }
    // The twist rows' measures of every pending node in one pass.
    twist_gammas(z, n, gammas_);
    for (int i = 0; i < n; ++i) {
      work[pending[i]].r = twist_row(gammas_[i]);
      rows[i] = work[pending[i]].r;
    }
    if (n > 1) {
      const std::size_t r = shared_twist_row(gammas_, rows, n);
      Dyadic centres[max_interval_lanes];
      Dyadic half_widths[max_interval_lanes];
      for (int i = 0; i < n; ++i) {
        centres[i] = work[pending[i]].candidate;
        half_widths[i] = work[pending[i]].half_width;
      }
      Ball out[max_interval_lanes];
      fast_inverse_first_squares(lanes_, counts_, centres, half_widths, n, r,
                                 out);
      for (int i = 0; i < n; ++i) {
        fast[pending[i]] = out[i];
      }
    }
    for (int i = 0; i < n; ++i) {
      const NodeWork& w = work[pending[i]];
      if (fast[pending[i]].whole) {
        fast[pending[i]] =
            fast_inverse_first_square(counts_, w.candidate, w.half_width, w.r);
      }
    }
  }

  // Node w's first try's weight from fast (its double-double pass), then
  // the tries at more bits; false when the rule cannot be made.
  bool finish(NodeWork& w, const Ball& fast) {
    if (w.begun_done) {
      return true;
    }
    restore(w);
    Step s = Step::more;
    if (w.weight_pending) {
      w.weight_pending = false;
      s = weigh(w, 0, fast);
    }
    for (int level = 1; s == Step::more; ++level) {
      if ((start_bits() << level) > tridiagonal_max_bits) {
        return past_most_bits(w);
      }
      s = attempt(w, level, false);
    }
    return s == Step::done;
  }

  // The middle node 0 of an odd symmetric rule and its weight.
  bool solve_middle(double* node, double* weight) {
    *node = dyadic_round(map_.shift);
    if (std::isinf(*node)) {
      return false;
    }
    Ball last;
    last.whole = true;
    const int first_bits = start_bits();
    for (int level = 0;; ++level) {
      const int bits = first_bits << level;
      if (bits > tridiagonal_max_bits) {
        break;
      }
      const JacobiMatrix* t = matrix(level);
      if (t == nullptr) {
        continue;
      }
      if (level > 0) {
        ++retries;
      }
      Ball p2 = ball_from_int(1);
      Ball sum = p2;
      for (int j = 2; j < m_; j += 2) {
        const auto i = static_cast<std::size_t>(j);
        p2 = ball_div(ball_mul(p2, t->b2[i - 2], bits), t->b2[i - 1], bits);
        sum = ball_add(sum, p2, bits);
      }
      last = mapped_weight(*t, map_, ball_from_int(0), sum, bits);
      if (skip_rounding_test && level == 0) {
        return round_midpoint(last, weight);
      }
      if (beyond_double(last)) {
        return false;
      }
      if (ball_round(last, weight)) {
        return true;
      }
    }
    ++fallbacks;
    return round_undecided(last, weight);
  }

 private:
  enum class Step { more, done, failed };

  void save(NodeWork& w) const {
    w.have_bracket = have_bracket_;
    w.bracket_lo = bracket_lo_;
    w.bracket_hi = bracket_hi_;
    w.step_magnitude = step_magnitude_;
  }

  void restore(const NodeWork& w) {
    have_bracket_ = w.have_bracket;
    bracket_lo_ = w.bracket_lo;
    bracket_hi_ = w.bracket_hi;
    step_magnitude_ = w.step_magnitude;
  }

  // One try at start_bits() << level: the candidate refined (past the
  // first), certified, the node rounded, and the weight, unless defer
  // (then only its point is made, for the double-double pass).
  Step attempt(NodeWork& w, int level, bool defer,
               const int* first_counts = nullptr) {
    const int bits = start_bits() << level;
    const JacobiMatrix* t = matrix(level);
    if (t == nullptr) {
      return Step::more;
    }
    if (level > 0) {
      ++retries;
      w.candidate = refine(*t, w.candidate, bits, &step_magnitude_);
      // Newton from a poor candidate can leave the enclosure already
      // certified: then bisection inside it.
      if (have_bracket_ &&
          (big_sign(dyadic_sub(w.candidate, bracket_lo_).mantissa) < 0 ||
           big_sign(dyadic_sub(bracket_hi_, w.candidate).mantissa) < 0)) {
        w.candidate =
            dyadic_mul(dyadic_add(bracket_lo_, bracket_hi_), power_of_two(-1));
        step_magnitude_ = INT_MAX;
      }
    }
    Dyadic lo;
    Dyadic hi;
    if (!enclose(*t, w.k, bits, &w.candidate, &lo, &hi, first_counts)) {
      return Step::more;
    }
    have_bracket_ = true;
    bracket_lo_ = lo;
    bracket_hi_ = hi;
    w.last_lo = lo;
    w.last_hi = hi;
    w.have_enclosure = true;
    const bool skip = skip_rounding_test && level == 0;
    if (!w.node_done) {
      w.node_done = skip ? round_midpoint(node_ball(w.candidate), &w.node)
                         : round_node(map_, lo, hi, &w.node);
    }
    if (!w.mirror_done) {
      const Dyadic nlo = dyadic_neg(hi);
      const Dyadic nhi = dyadic_neg(lo);
      w.mirror_done =
          skip ? round_midpoint(node_ball(dyadic_neg(w.candidate)), &w.mirrored)
               : round_node(map_, nlo, nhi, &w.mirrored);
    }
    if (w.weight_done) {
      return w.node_done && w.mirror_done ? Step::done : Step::more;
    }
    w.half_width = dyadic_mul(dyadic_sub(hi, lo), power_of_two(-1));
    w.z = ball_widen(ball_from_dyadic(w.candidate), w.half_width);
    if (defer) {
      w.weight_pending = true;
      return Step::more;
    }
    twist_gammas(dyadic_round(w.candidate), gammas_[0]);
    w.r = twist_row(gammas_[0]);
    // The sum in double-double first (fast_count.h); in balls when it
    // cannot decide or its ball is too wide to round.
    Ball fast;
    fast.whole = true;
    if (fast_paths()) {
      fast = fast_inverse_first_square(counts_, w.candidate, w.half_width, w.r);
    }
    return weigh(w, level, fast);
  }

  // The weight at w's point of the try at level, from fast (the
  // double-double pass's ball, whole if none) or else the balls.
  Step weigh(NodeWork& w, int level, const Ball& fast) {
    const int bits = start_bits() << level;
    const JacobiMatrix& t = *matrix(level);
    const bool skip = skip_rounding_test && level == 0;
    if (!fast.whole) {
      w.last_weight = mapped_weight(t, map_, w.z, fast, bits);
      w.weight_done = skip ? round_midpoint(w.last_weight, &w.weight)
                           : ball_round(w.last_weight, &w.weight);
    }
    if (!w.weight_done) {
      Ball inverse_u2 = inverse_first_square(t, w.z, bits, w.r);
      if (inverse_u2.whole) {
        inverse_u2 = inverse_first_component(t, w.z, bits);
      }
      w.last_weight = mapped_weight(t, map_, w.z, inverse_u2, bits);
      w.weight_done = skip ? round_midpoint(w.last_weight, &w.weight)
                           : ball_round(w.last_weight, &w.weight);
    }
    if (!w.weight_done && beyond_double(w.last_weight)) {
      return Step::failed;
    }
    return w.node_done && w.mirror_done && w.weight_done ? Step::done
                                                         : Step::more;
  }

  // Past the most bits: each value still undecided takes the rounding of
  // its last enclosure (round_undecided).
  bool past_most_bits(NodeWork& w) const {
    if (!w.have_enclosure) {
      return false;
    }
    ++fallbacks;
    const auto mapped = [this](const Dyadic& x) {
      return dyadic_add(map_.shift, dyadic_mul(map_.scale, x));
    };
    if (!w.node_done &&
        !round_undecided(mapped(w.last_lo), mapped(w.last_hi), &w.node)) {
      return false;
    }
    if (!w.mirror_done &&
        !round_undecided(mapped(dyadic_neg(w.last_hi)),
                         mapped(dyadic_neg(w.last_lo)), &w.mirrored)) {
      return false;
    }
    return w.weight_done || round_undecided(w.last_weight, &w.weight);
  }

  // The double-double passes (fast_count.h), off when a test sets the
  // first try's bits, so that it is made in balls at those bits.
  static bool fast_paths() { return start_bits_override == 0; }

  static int start_bits() {
    return start_bits_override > 0 ? start_bits_override
                                   : tridiagonal_start_bits;
  }

  // The matrix at start_bits() << level, made on first use; null if the
  // maker cannot.
  const JacobiMatrix* matrix(int level) {
    const auto l = static_cast<std::size_t>(level);
    while (levels_.size() <= l) {
      levels_.emplace_back();
      made_.push_back(-1);
    }
    if (made_[l] < 0) {
      const bool ok = make_(context_, start_bits() << level, &levels_[l]) &&
                      static_cast<int>(levels_[l].a.size()) == m_ &&
                      static_cast<int>(levels_[l].b2.size()) == m_ - 1;
      made_[l] = ok ? 1 : 0;
    }
    return made_[l] == 1 ? &levels_[l] : nullptr;
  }

  [[nodiscard]] Ball node_ball(const Dyadic& x) const {
    return ball_from_dyadic(dyadic_add(map_.shift, dyadic_mul(map_.scale, x)));
  }

  // The least magnitude of a pivot in double: Kahan's pivmin.
  [[nodiscard]] double pivot_floor() const {
    return norm_ * 0x1p-1000 + 0x1p-1000;
  }

  // The lanes' passes in double (IntervalLanes) at one or two points, the
  // other lanes repeating them: only for candidates and the twist row.
  [[nodiscard]] double double_newton_step(double z) const {
    double points[max_candidate_batch];
    double steps[max_candidate_batch];
    std::fill(points, points + candidate_batch(), z);
    lanes_.double_newton_steps(fast_.a1.data(), fast_.b21.data(),
                               fast_.a1.size(), pivot_floor(), points, steps);
    return steps[0];
  }

  void double_counts(double z0, double z1, int* counts) const {
    double points[max_candidate_batch];
    int all[max_candidate_batch];
    std::fill(points, points + candidate_batch(), z1);
    points[0] = z0;
    lanes_.double_counts(fast_.a1.data(), fast_.b21.data(), fast_.a1.size(),
                         pivot_floor(), points, all);
    counts[0] = all[0];
    counts[1] = all[1];
  }

  [[nodiscard]] int double_count(double z) const {
    int counts[2];
    double_counts(z, z, counts);
    return counts[0];
  }

  // gammas[i] the twist rows' measures at z[i], i < n <= the lanes.
  void twist_gammas(const double* z, int n, std::vector<double>* gammas) {
    const std::size_t m = fast_.a1.size();
    const auto lanes = static_cast<std::size_t>(lanes_.lanes);
    double points[max_interval_lanes];
    std::copy(z, z + n, points);
    std::fill(points + n, points + lanes, z[0]);
    twist_pivots_.resize(2 * m * lanes);
    twist_room_.resize(m * lanes);
    lanes_.twist_gammas(fast_.a1.data(), fast_.b21.data(), m, pivot_floor(),
                        points, twist_pivots_.data(), twist_room_.data());
    for (int i = 0; i < n; ++i) {
      const auto from =
          twist_room_.begin() + static_cast<std::ptrdiff_t>(m) * i;
      gammas[i].assign(from, from + static_cast<std::ptrdiff_t>(m));
    }
  }

  void twist_gammas(double z, std::vector<double>& gammas) {
    twist_gammas(&z, 1, &gammas);
  }

  // Newton in double from the parabola through the last three nodes (the
  // line through the two for the third node), taken when the counts
  // in double put node k and no other within the polish's reach of it;
  // false for the first two nodes and wherever it does not converge to
  // node k (then the bisection).
  bool extrapolated(int k, double* lo, double* hi) {
    const auto i = static_cast<std::size_t>(k);
    if (k < 2 || found_.size() != i) {
      return false;
    }
    double x = k < 3 ? found_[i - 1] + (found_[i - 1] - found_[i - 2])
                     : 3.0 * (found_[i - 1] - found_[i - 2]) + found_[i - 3];
    bool converged = false;
    for (int j = 0; j < extrapolated_newton_steps && !converged; ++j) {
      const double step = double_newton_step(x);
      x -= step;
      if (!std::isfinite(x)) {
        return false;
      }
      converged = std::fabs(step) <= std::fabs(x) * 0x1p-40;
    }
    const double reach = std::max(std::fabs(x) * 0x1p-30, norm_ * 0x1p-40);
    if (!converged || x - reach <= found_[i - 1]) {
      return false;
    }
    int counts[2];
    double_counts(x - reach, x + reach, counts);
    if (counts[0] != k || counts[1] != k + 1) {
      return false;
    }
    *lo = x;
    *hi = x;
    return true;
  }

  // Node k's candidate: Newton in double from the last nodes' parabola
  // (extrapolated), or bisection in double to about an ulp; then Newton in
  // double-double. The next nodes' are made beside it (a node's double
  // phase needs only the nodes' before it), candidate_batch() of them in
  // one pass's lanes, and kept for the next calls.
  Dyadic first_candidate(int k) {
    if (ahead_.empty() || ahead_.front().k != k) {
      ahead_.clear();
      Candidate batch[max_candidate_batch];
      const int size = candidate_batch();
      const int count = std::min(size, solve_count_ - k);
      double_candidates(k, count, batch);
      for (int l = count; l < size; ++l) {
        batch[l] = batch[0];  // an idle lane repeats the first
      }
      polish(batch);
      ahead_.assign(batch, batch + std::max(count, 1));
    }
    const Candidate c = ahead_.front();
    ahead_.erase(ahead_.begin());
    step_magnitude_ = c.step == 0.0 ? INT_MIN : std::ilogb(c.step) + 1;
    return dyadic_from_dd(c.z);
  }

  // A node's candidate: z, and the last Newton step (or an honest bound
  // while Newton has not begun).
  struct Candidate {
    Dd z;
    double step = 0.0;
    int k = -1;
  };

  // The candidates in double of nodes k .. k + count - 1 (count <=
  // candidate_batch()) into out: Newton in double for all at once from the
  // parabola through the last three nodes found, each taken, in order,
  // while the counts in double confirm it found its node (as extrapolated
  // does one); the rest one at a time.
  void double_candidates(int k, int count, Candidate* out) {
    const auto i0 = static_cast<std::size_t>(k);
    int taken = 0;
    if (k >= 3 && count > 1 && found_.size() == i0) {
      const double floor = pivot_floor();
      const int size = candidate_batch();
      const double f1 = found_[i0 - 1];
      const double d1 = f1 - found_[i0 - 2];
      const double d2 = d1 - (found_[i0 - 2] - found_[i0 - 3]);
      double x[max_candidate_batch];
      bool active[max_candidate_batch];
      bool converged[max_candidate_batch];
      for (int l = 0; l < size; ++l) {
        const double h = l < count ? l + 1.0 : 1.0;
        x[l] = f1 + h * d1 + 0.5 * h * (h + 1.0) * d2;
        active[l] = l < count;
        converged[l] = false;
      }
      for (int j = 0; j < extrapolated_newton_steps; ++j) {
        double steps[max_candidate_batch];
        lanes_.double_newton_steps(fast_.a1.data(), fast_.b21.data(),
                                   fast_.a1.size(), floor, x, steps);
        bool any = false;
        for (int l = 0; l < count; ++l) {
          if (!active[l]) {
            continue;
          }
          x[l] -= steps[l];
          active[l] = std::isfinite(x[l]);
          converged[l] =
              active[l] && std::fabs(steps[l]) <= std::fabs(x[l]) * 0x1p-40;
          active[l] = active[l] && !converged[l];
          any = any || active[l];
        }
        if (!any) {
          break;
        }
      }
      // The counts in double at x -+ reach, two points a node.
      double points[2 * max_candidate_batch];
      double reach[max_candidate_batch];
      for (int l = 0; l < size; ++l) {
        const double xl = l < count && converged[l] ? x[l] : f1;
        reach[l] = std::max(std::fabs(xl) * 0x1p-30, norm_ * 0x1p-40);
        const auto i = 2 * static_cast<std::ptrdiff_t>(l);
        points[i] = xl - reach[l];
        points[i + 1] = xl + reach[l];
      }
      int counts[2 * max_candidate_batch];
      for (int p = 0; p < 2 * size; p += size) {
        lanes_.double_counts(fast_.a1.data(), fast_.b21.data(), fast_.a1.size(),
                             floor, &points[p], &counts[p]);
      }
      double below = f1;
      for (; taken < count; ++taken) {
        const int l = taken;
        const auto i = 2 * static_cast<std::ptrdiff_t>(l);
        if (!converged[l] || x[l] - reach[l] <= below || counts[i] != k + l ||
            counts[i + 1] != k + l + 1) {
          break;
        }
        below = x[l];
        previous_low_ = x[l];
        found_.push_back(x[l]);
        Candidate& c = out[l];
        c.z = {x[l], 0.0};
        c.k = k + l;
        c.step = std::fabs(x[l]) * 0x1p-40;
      }
    }
    for (int l = taken; l < count; ++l) {
      out[l] = double_candidate(k + l);
    }
  }

  Candidate double_candidate(int k) {
    double lo = std::max(lower_, previous_low_);
    double hi = upper_;
    const bool guessed = extrapolated(k, &lo, &hi);
    // Bisection to 2^-coarse_bisection_bits of the node, Newton in double
    // from there while it stays in the bracket, and bisection to the ulp
    // if it does not.
    bool newton = true;
    for (int i = 0; i < 2000 && !guessed; ++i) {
      const double mid = 0.5 * (lo + hi);
      if (mid <= lo || mid >= hi) {
        break;
      }
      if (newton && hi - lo <= std::fabs(mid) * 0x1p-20) {
        double x = mid;
        double last = hi - lo;
        for (int j = 0; j < double_newton_steps && newton; ++j) {
          last = double_newton_step(x);
          x -= last;
          newton = std::isfinite(x) && x > lo && x < hi;
        }
        // Taken only when it stayed in the bracket and converged.
        newton = newton && std::fabs(last) <= std::fabs(x) * 0x1p-40;
        if (newton) {
          lo = hi = x;
          break;
        }
      }
      if (double_count(mid) > k) {
        hi = mid;
      } else {
        lo = mid;
      }
    }
    // The next node lies above this one's bracket.
    previous_low_ = lo;
    Candidate c;
    c.z = {0.5 * (lo + hi), 0.0};
    c.k = k;
    if (found_.size() == static_cast<std::size_t>(k)) {
      found_.push_back(c.z.hi);
    }
    c.step = std::max(hi - lo, std::fabs(c.z.hi) * 0x1p-40);
    return c;
  }

  // How many candidates polish takes at once.
  [[nodiscard]] int candidate_batch() const { return 2 * lanes_.lanes; }

  // Newton in double-double on candidate_batch() candidates at once, each
  // lane stopping as it would alone (its later steps are made but not
  // taken).
  void polish(Candidate* c) const {
    const int size = candidate_batch();
    bool active[max_candidate_batch];
    std::fill(active, active + size, true);
    const auto any_active = [&active, size] {
      return std::find(active, active + size, true) != active + size;
    };
    for (int i = 0; i < dd_newton_steps && any_active(); ++i) {
      Dd z[max_candidate_batch];
      for (int l = 0; l < size; ++l) {
        z[l] = c[l].z;
      }
      Dd steps[max_candidate_batch];
      lanes_.newton_steps(fast_.a.data(), fast_.b2.data(), fast_.a.size(), z,
                          steps);
      for (int l = 0; l < size; ++l) {
        if (!active[l]) {
          continue;
        }
        const Dd s = steps[l];
        if (!std::isfinite(s.hi) || std::fabs(s.hi) > norm_ * 0x1p-10) {
          active[l] = false;
          continue;
        }
        c[l].z = sub(c[l].z, s);
        const double previous = c[l].step;
        c[l].step = s.hi;
        // Converged, or at the arithmetic's noise (no longer shrinking).
        active[l] =
            !(std::fabs(s.hi) <= std::fabs(c[l].z.hi) * 0x1p-100 ||
              (i > 0 && std::fabs(s.hi) > std::fabs(previous) * 0x1p-4));
      }
    }
  }

  // Newton in ball midpoints at `bits`; *step_log the last step's
  // magnitude.
  static Dyadic refine(const JacobiMatrix& t, Dyadic z, int bits,
                       int* step_log) {
    *step_log = INT_MAX;
    for (int i = 0; i < ball_newton_steps; ++i) {
      Dyadic step;
      if (!ball_newton_step(t, z, bits, &step)) {
        break;
      }
      const int previous = *step_log;
      *step_log = dyadic_magnitude(step);
      z = dyadic_cut(dyadic_sub(z, step), bits + enclosure_guard_bits);
      const int zl = dyadic_magnitude(z);
      // Done within the enclosure's relative width, or at the noise of
      // the arithmetic (a step that no longer shrinks fast).
      if (*step_log == INT_MIN ||
          (zl != INT_MIN && *step_log < zl - (bits - enclosure_guard_bits)) ||
          (i > 0 && *step_log > previous - 8)) {
        break;
      }
    }
    return z;
  }

  // Certifies lambda_k in [lo, hi] around *candidate, by the candidate's
  // enclosure and, if the counts deny it, by bisection with the counts.
  // The half width's exponent of the certified enclosure around the
  // candidate at bits.
  [[nodiscard]] int enclosure_exponent(const Dyadic& candidate,
                                       int bits) const {
    const int cl = dyadic_magnitude(candidate);
    int e = (cl == INT_MIN ? -1100 : cl) - (bits - enclosure_guard_bits);
    if (step_magnitude_ != INT_MAX && step_magnitude_ != INT_MIN) {
      e = std::max(e, step_magnitude_ + enclosure_step_bits);
    } else if (step_magnitude_ == INT_MAX) {
      e = std::max(e, std::ilogb(norm_) + 1 - bits / 2);
    }
    return e;
  }

  // The double-double counts first, widening the enclosure while it stays
  // narrow enough to round (their bound is about 2^-99 times the matrix's
  // norm, coarser than the candidate near a small node). At the first try
  // only: a retry needs its narrower enclosure.
  [[nodiscard]] int fast_exponent(int e, int bits) const {
    return bits == start_bits()
               ? std::max(e, std::ilogb(norm_) + 1 - fast_floor_bits)
               : e;
  }

  [[nodiscard]] static bool fast_tries(const Dyadic& candidate, int fast_e,
                                       int widen) {
    const int cl = dyadic_magnitude(candidate);
    return fast_paths() && cl != INT_MIN && widen <= fast_widen_most &&
           fast_e + widen < cl - 60;
  }

  // The points of the double-double counts' first try around node w's
  // candidate at the first bits, in points[0..1]; false if there is none.
  bool first_count_points(const NodeWork& w, Dyadic* points) const {
    const int bits = start_bits();
    const int fast_e =
        fast_exponent(enclosure_exponent(w.candidate, bits), bits);
    if (!fast_tries(w.candidate, fast_e, 0)) {
      return false;
    }
    const Dyadic wide = power_of_two(fast_e);
    points[0] = dyadic_sub(w.candidate, wide);
    points[1] = dyadic_add(w.candidate, wide);
    return true;
  }

  // first_counts: the counts at first_count_points, if made.
  bool enclose(const JacobiMatrix& t, int k, int bits, Dyadic* candidate,
               Dyadic* lo, Dyadic* hi, const int* first_counts = nullptr) {
    const int cl = dyadic_magnitude(*candidate);
    const int e = enclosure_exponent(*candidate, bits);
    const int fast_e = fast_exponent(e, bits);
    for (int widen = 0; fast_tries(*candidate, fast_e, widen);
         widen += fast_widen_step) {
      const Dyadic wide = power_of_two(fast_e + widen);
      *lo = dyadic_sub(*candidate, wide);
      *hi = dyadic_add(*candidate, wide);
      int counts[2];
      if (widen == 0 && first_counts != nullptr) {
        counts[0] = first_counts[0];
        counts[1] = first_counts[1];
      } else {
        fast_count_pair(counts_, *lo, *hi, counts);
      }
      const int below = counts[0];
      const int above = counts[1];
      if (below == k && above == k + 1) {
        narrow(t, k, bits, cl - fast_narrow_bits, candidate, lo, hi);
        return true;
      }
      if (below >= 0 && above >= 0) {
        break;  // decided, and not around lambda_k: the balls' bisection
      }
    }
    const Dyadic eps = power_of_two(e);
    *lo = dyadic_sub(*candidate, eps);
    *hi = dyadic_add(*candidate, eps);
    if (count(t, *lo, bits) == k && count(t, *hi, bits) == k + 1) {
      if (fast_paths() && cl != INT_MIN) {
        narrow(t, k, bits, cl - fast_narrow_bits, candidate, lo, hi);
      }
      return true;
    }
    return bisect(t, k, bits, eps, candidate, lo, hi);
  }

  // Halves [lo, hi] (around lambda_k) by the counts (double-double, else
  // balls) while it is wider than 2^width_log and they decide: a candidate
  // Newton could not refine (a pivot vanishing at the node, as Chebyshev's and
  // Kronrod's leading blocks share nodes with the whole) is taken to the
  // counts' resolution this way.
  void narrow(const JacobiMatrix& t, int k, int bits, int width_log,
              Dyadic* candidate, Dyadic* lo, Dyadic* hi) const {
    const Dyadic half = power_of_two(-1);
    for (int i = 0; i < 200; ++i) {
      const Dyadic width = dyadic_sub(*hi, *lo);
      if (dyadic_magnitude(width) <= width_log) {
        break;
      }
      // The double-double counts at the three quarters, side by side: the
      // enclosure becomes the quarter between the last that counts at most
      // k and the first that counts more (each count is certain, so they
      // agree), two halvings a pass.
      const Dyadic quarter = dyadic_mul(width, power_of_two(-2));
      Dyadic points[3];
      points[0] = dyadic_add(*lo, quarter);
      points[1] = dyadic_add(points[0], quarter);
      points[2] = dyadic_add(points[1], quarter);
      int counts[3];
      for (int p = 0; p < 3; p += lanes_.lanes) {
        fast_counts(lanes_, counts_, &points[p], std::min(lanes_.lanes, 3 - p),
                    &counts[p]);
      }
      bool moved = false;
      for (int j = 0; j < 3; ++j) {
        if (counts[j] >= 0 && counts[j] <= k) {
          *lo = points[j];
          moved = true;
        }
      }
      for (int j = 3; j-- > 0;) {
        if (counts[j] > k) {
          *hi = points[j];
          moved = true;
        }
      }
      if (moved) {
        continue;
      }
      // The balls only while the enclosure is too wide to round a node
      // (a poor candidate); below that the double-double counts alone.
      if (dyadic_magnitude(width) <= width_log + narrow_ball_bits) {
        break;
      }
      int c = ball_count(t, points[1], bits);
      Dyadic mid = points[1];
      if (c < 0) {
        // Undecided at the midpoint: a point a quarter of the way along.
        mid = points[0];
        c = ball_count(t, mid, bits);
      }
      if (c < 0) {
        break;
      }
      if (c <= k) {
        *lo = mid;
      } else {
        *hi = mid;
      }
    }
    *candidate = dyadic_mul(dyadic_add(*lo, *hi), half);
  }

  // Bisection by certified counts from Gershgorin's interval down to a
  // width of 2 eps.
  bool bisect(const JacobiMatrix& t, int k, int bits, const Dyadic& eps,
              Dyadic* candidate, Dyadic* lo, Dyadic* hi) const {
    // From the enclosure certified at a lower precision (a count is exact
    // at any), or Gershgorin's interval.
    Dyadic l = have_bracket_ ? bracket_lo_ : dyadic_from_double(lower_);
    Dyadic u = have_bracket_ ? bracket_hi_ : dyadic_from_double(upper_);
    const int cl = count(t, l, bits);
    const int cu = count(t, u, bits);
    if (cl < 0 || cl > k || cu < k + 1) {
      return false;
    }
    const Dyadic two_eps = dyadic_add(eps, eps);
    const Dyadic half = power_of_two(-1);
    for (int i = 0; i < 4 * tridiagonal_max_bits; ++i) {
      const Dyadic width = dyadic_sub(u, l);
      if (big_sign(dyadic_sub(width, two_eps).mantissa) <= 0) {
        break;
      }
      Dyadic mid = dyadic_mul(dyadic_add(l, u), half);
      int c = count(t, mid, bits);
      if (c < 0) {
        // Undecided at the midpoint: a point a quarter of the way along.
        mid = dyadic_add(l, dyadic_mul(width, power_of_two(-2)));
        c = count(t, mid, bits);
        if (c < 0) {
          return false;
        }
      }
      if (c <= k) {
        l = mid;
      } else {
        u = mid;
      }
    }
    *lo = l;
    *hi = u;
    *candidate = dyadic_mul(dyadic_add(l, u), half);
    return true;
  }

  // The count at z: in double-double when its bound decides it
  // (fast_count.h), else in balls.
  [[nodiscard]] int count(const JacobiMatrix& t, const Dyadic& z,
                          int bits) const {
    const int fast = fast_paths() ? fast_count(counts_, z) : -1;
    return fast >= 0 ? fast : ball_count(t, z, bits);
  }

  JacobiMatrixMaker make_;
  const void* context_;
  int m_;
  const RuleMap& map_;
  std::vector<JacobiMatrix> levels_;
  std::vector<int> made_;
  FastMatrix fast_;
  FastCountMatrix counts_;
  // The node's enclosure certified so far, if any.
  bool have_bracket_ = false;
  Dyadic bracket_lo_;
  Dyadic bracket_hi_;
  // The last node's lower bracket end (the nodes are found in ascending
  // order).
  double previous_low_ = -std::numeric_limits<double>::infinity();
  // Each node's candidate in double, in the order found (ascending).
  std::vector<double> found_;
  double lower_ = 0.0;
  double upper_ = 0.0;
  double norm_ = 0.0;
  // floor(log2 |last Newton step|) + 1: INT_MIN for a zero step, INT_MAX
  // when no step was made.
  int step_magnitude_ = INT_MAX;
  // How many nodes the caller solves, 0 to solve_count_ - 1 in order, and
  // the candidates made ahead.
  int solve_count_ = 0;
  std::vector<Candidate> ahead_;
  std::vector<double> twist_pivots_;  // twist_gammas' room
  std::vector<double> gammas_[max_interval_lanes];
  std::vector<double> twist_room_;  // the lanes' twist measures
  const IntervalLanes& lanes_ = best_interval_lanes();
};

}  // namespace

RuleMap identity_map(WeightFactor factor) {
  return {Dyadic{}, power_of_two(0), factor};
}

RuleMap interval_map(double a, double b, WeightFactor factor) {
  return {half_sum(a, b), half_difference(a, b), factor};
}

bool tridiagonal_gauss_rule(JacobiMatrixMaker make, const void* context, int m,
                            bool symmetric, const RuleMap& map, double* nodes,
                            double* weights) {
  if (m < 1) {
    return false;
  }
  const int pairs = symmetric ? m / 2 : m;
  Engine engine(make, context, m, map, pairs);
  if (!engine.prepare()) {
    return false;
  }
  // A group of nodes at a time, their first tries' passes side by side.
  const int group = engine.group_size();
  for (int k = 0; k < pairs; k += group) {
    Engine::NodeWork work[max_interval_lanes];
    const int count = std::min(group, pairs - k);
    for (int i = 0; i < count; ++i) {
      work[i].k = k + i;
      work[i].mirror = symmetric;
    }
    engine.begin(work, count);
    Ball fast[max_interval_lanes];
    engine.pending_weights(work, count, fast);
    for (int i = 0; i < count; ++i) {
      if (!engine.finish(work[i], fast[i])) {
        return false;
      }
      const int at = k + i;
      nodes[at] = work[i].node;
      weights[at] = work[i].weight;
      if (symmetric) {
        nodes[m - 1 - at] = work[i].mirrored;
        weights[m - 1 - at] = work[i].weight;
      }
    }
  }
  if (symmetric && m % 2 == 1) {
    return engine.solve_middle(&nodes[m / 2], &weights[m / 2]);
  }
  return true;
}

void set_tridiagonal_start_bits(int bits) { start_bits_override = bits; }
void set_tridiagonal_skip_rounding_test(bool skip) {
  skip_rounding_test = skip;
}
long long retry_count() { return retries; }
long long fallback_count() { return fallbacks; }
void reset_tridiagonal_counts() {
  retries = 0;
  fallbacks = 0;
}

}  // namespace zemta::detail
