// The basic ball operations: exact midpoint arithmetic on dyadics, the cut
// to `bits` bits, and the radius rules, every radius step rounded upward.
#include "rule/quadrature/ball.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace zemta::detail {

namespace {

using Limbs = std::vector<std::uint32_t>;

constexpr int limb_bits = 32;

// ---------------------------------------------------------------------------
// Radii: m * 2^e with m < 2^32, kept in 64-bit integers so that a sum or a
// product of two mantissas is exact before its one upward rounding.

// ceil(v / 2^s).
std::uint64_t shift_right_up(std::uint64_t v, int s) {
  if (s <= 0) {
    return v;
  }
  if (s >= 64) {
    return v != 0 ? 1 : 0;
  }
  const std::uint64_t kept = v >> s;
  return (v & ((std::uint64_t{1} << s) - 1)) != 0 ? kept + 1 : kept;
}

// The radius m * 2^e rounded up to a 32-bit mantissa.
BallRadius radius_up(std::uint64_t m, int e) {
  if (m == 0) {
    return {};
  }
  const int length = 64 - std::countl_zero(m);
  if (length > limb_bits) {
    const int s = length - limb_bits;
    m = shift_right_up(m, s);
    e += s;
    if (m >> limb_bits != 0) {  // the rounding carried to 2^32
      m >>= 1;
      ++e;
    }
  } else {
    const int s = limb_bits - length;
    m <<= s;
    e -= s;
  }
  return {static_cast<std::uint32_t>(m), e};
}

// The radius m * 2^e rounded down to a 32-bit mantissa.
BallRadius radius_down(std::uint64_t m, int e) {
  if (m == 0) {
    return {};
  }
  const int length = 64 - std::countl_zero(m);
  if (length > limb_bits) {
    const int s = length - limb_bits;
    return {static_cast<std::uint32_t>(m >> s), e + s};
  }
  const int s = limb_bits - length;
  return {static_cast<std::uint32_t>(m << s), e - s};
}

bool is_zero(const BallRadius& r) { return r.mantissa == 0; }

// a + b, rounded up.
BallRadius radius_add(const BallRadius& a, const BallRadius& b) {
  if (is_zero(a)) {
    return b;
  }
  if (is_zero(b)) {
    return a;
  }
  const BallRadius& big = a.exponent >= b.exponent ? a : b;
  const BallRadius& small = a.exponent >= b.exponent ? b : a;
  // big scaled by 2^31 and small at the same exponent: both below 2^63.
  const int e = big.exponent - 31;
  const std::uint64_t sum_big = std::uint64_t{big.mantissa} << 31;
  const int d = small.exponent - e;
  const std::uint64_t sum_small = d >= 0 ? std::uint64_t{small.mantissa} << d
                                         : shift_right_up(small.mantissa, -d);
  return radius_up(sum_big + sum_small, e);
}

// a * b, rounded up.
BallRadius radius_mul(const BallRadius& a, const BallRadius& b) {
  if (is_zero(a) || is_zero(b)) {
    return {};
  }
  return radius_up(std::uint64_t{a.mantissa} * b.mantissa,
                   a.exponent + b.exponent);
}

// a / b for b > 0, rounded up.
BallRadius radius_div(const BallRadius& a, const BallRadius& b) {
  if (is_zero(a)) {
    return {};
  }
  const std::uint64_t n = std::uint64_t{a.mantissa} << 32;
  const std::uint64_t q = n / b.mantissa + (n % b.mantissa != 0 ? 1 : 0);
  return radius_up(q, a.exponent - 32 - b.exponent);
}

// a - b rounded down, or 0 when a <= b.
BallRadius radius_sub_down(const BallRadius& a, const BallRadius& b) {
  if (is_zero(b)) {
    return a;
  }
  if (is_zero(a)) {
    return {};
  }
  const int e = a.exponent - 32;
  const std::uint64_t big = std::uint64_t{a.mantissa} << 32;
  const int d = b.exponent - e;
  if (d > 32) {
    return {};  // b >= 2^(b.exponent + 31) > a
  }
  const std::uint64_t small =
      d >= 0 ? std::uint64_t{b.mantissa} << d : shift_right_up(b.mantissa, -d);
  return big > small ? radius_down(big - small, e) : BallRadius{};
}

// 2^e.
BallRadius radius_pow2(int e) { return {std::uint32_t{1} << 31, e - 31}; }

// ---------------------------------------------------------------------------
// Midpoints.

// big_bit_length by the top limb's leading zeros, not bit by bit.
int bit_length(const BigInt& v) {
  if (v.limbs.empty()) {
    return 0;
  }
  return static_cast<int>(v.limbs.size()) * limb_bits -
         std::countl_zero(v.limbs.back());
}

// floor(log2 |v|) for v != 0.
int lead(const Dyadic& v) { return v.exponent + bit_length(v.mantissa) - 1; }

// |v| rounded up (or down) to a radius.
// The 32 bits of |m| from bit drop up (m's bit length at most drop + 32),
// read from the limbs without a copy.
std::uint64_t bits_from(const Limbs& m, int drop) {
  const auto limb = static_cast<std::size_t>(drop / limb_bits);
  const int part = drop % limb_bits;
  std::uint64_t t = limb < m.size() ? m[limb] : 0;
  if (limb + 1 < m.size()) {
    t |= std::uint64_t{m[limb + 1]} << limb_bits;
  }
  return (t >> part) & 0xffffffffU;
}

BallRadius radius_of(const BigInt& m, int exponent, bool up) {
  const int length = bit_length(m);
  if (length == 0) {
    return {};
  }
  const int drop = length > limb_bits ? length - limb_bits : 0;
  std::uint64_t t = bits_from(m.limbs, drop);
  if (up && drop > 0 && any_bit_below(m.limbs, drop)) {
    ++t;
  }
  return up ? radius_up(t, exponent + drop) : radius_down(t, exponent + drop);
}

BallRadius radius_of(const Dyadic& v, bool up) {
  return radius_of(v.mantissa, v.exponent, up);
}

Dyadic dyadic_of(const BallRadius& r) {
  return {big_from_u64(r.mantissa), r.exponent};
}

// The ball's midpoint cut toward zero to `bits` bits, the cut added to
// the radius.
void cut(Ball& b, int bits) {
  const int length = bit_length(b.mid.mantissa);
  if (length <= bits) {
    return;
  }
  const int drop = length - bits;
  Limbs& limbs = b.mid.mantissa.limbs;
  const bool inexact = any_bit_below(limbs, drop);
  // Shifted right in place: no allocation.
  const auto whole = static_cast<std::size_t>(drop / limb_bits);
  const int part = drop % limb_bits;
  const std::size_t kept = limbs.size() - whole;
  for (std::size_t i = 0; i < kept; ++i) {
    std::uint64_t v = limbs[i + whole];
    if (i + whole + 1 < limbs.size()) {
      v |= std::uint64_t{limbs[i + whole + 1]} << limb_bits;
    }
    limbs[i] = static_cast<std::uint32_t>(v >> part);
  }
  limbs.resize(kept);
  while (!limbs.empty() && limbs.back() == 0) {
    limbs.pop_back();
  }
  b.mid.exponent += drop;
  if (inexact) {
    // The cut is below one unit of the new last place.
    b.rad = radius_add(b.rad, radius_pow2(b.mid.exponent));
  }
}

Ball whole_ball() {
  Ball b;
  b.whole = true;
  return b;
}

Dyadic negated(Dyadic v) {
  v.mantissa.negative = !v.mantissa.negative && !v.mantissa.limbs.empty();
  return v;
}

Dyadic magnitude(Dyadic v) {
  v.mantissa.negative = false;
  return v;
}

// Knuth's algorithm D: floor(a / b) for magnitudes, b != 0; *inexact set
// when the remainder is not 0.
Limbs divide_magnitude(const Limbs& a, const Limbs& b, bool* inexact) {
  if (a.size() < b.size()) {
    *inexact = !a.empty();
    return {};
  }
  if (b.size() == 1) {
    Limbs q(a.size());
    std::uint64_t r = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
      r = (r << limb_bits) | a[i];
      q[i] = static_cast<std::uint32_t>(r / b[0]);
      r %= b[0];
    }
    *inexact = r != 0;
    return q;
  }
  // Normalize so that the divisor's top limb has its top bit set.
  const int s = std::countl_zero(b.back());
  const std::size_t n = b.size();
  const std::size_t m = a.size() - n;
  // The normalized divisor and dividend, on the stack up to a few thousand
  // bits (the counts' operands), on the heap beyond.
  constexpr std::size_t stack_limbs = 160;
  std::array<std::uint32_t, stack_limbs> stack{};
  Limbs heap;
  const std::size_t scratch = n + a.size() + 1;
  if (scratch > stack_limbs) {
    heap.resize(scratch);
  }
  std::uint32_t* const v = scratch > stack_limbs ? heap.data() : stack.data();
  std::uint32_t* const u = v + n;
  for (std::size_t i = n; i-- > 0;) {
    const std::uint64_t hi = std::uint64_t{b[i]} << s;
    const std::uint64_t lo = i > 0 && s > 0 ? b[i - 1] >> (limb_bits - s) : 0;
    v[i] = static_cast<std::uint32_t>(hi | lo);
  }
  u[a.size()] = s > 0 ? a.back() >> (limb_bits - s) : 0;
  for (std::size_t i = a.size(); i-- > 0;) {
    const std::uint64_t hi = std::uint64_t{a[i]} << s;
    const std::uint64_t lo = i > 0 && s > 0 ? a[i - 1] >> (limb_bits - s) : 0;
    u[i] = static_cast<std::uint32_t>(hi | lo);
  }
  Limbs q(m + 1);
  constexpr std::uint64_t base = std::uint64_t{1} << limb_bits;
  for (std::size_t j = m + 1; j-- > 0;) {
    const std::uint64_t top =
        (std::uint64_t{u[j + n]} << limb_bits) | u[j + n - 1];
    std::uint64_t qhat = top / v[n - 1];
    std::uint64_t rhat = top % v[n - 1];
    while (qhat >= base ||
           qhat * v[n - 2] > ((rhat << limb_bits) | u[j + n - 2])) {
      --qhat;
      rhat += v[n - 1];
      if (rhat >= base) {
        break;
      }
    }
    // u[j..j+n] -= qhat * v.
    std::int64_t borrow = 0;
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t p = qhat * v[i] + carry;
      carry = p >> limb_bits;
      const std::int64_t t = static_cast<std::int64_t>(u[i + j]) - borrow -
                             static_cast<std::int64_t>(p & 0xffffffffU);
      u[i + j] = static_cast<std::uint32_t>(t);
      borrow = t < 0 ? 1 : 0;
    }
    const std::int64_t t = static_cast<std::int64_t>(u[j + n]) - borrow -
                           static_cast<std::int64_t>(carry);
    u[j + n] = static_cast<std::uint32_t>(t);
    if (t < 0) {
      // qhat was one too large: add v back.
      --qhat;
      std::uint64_t c = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t sum = std::uint64_t{u[i + j]} + v[i] + c;
        u[i + j] = static_cast<std::uint32_t>(sum);
        c = sum >> limb_bits;
      }
      u[j + n] = static_cast<std::uint32_t>(u[j + n] + c);
    }
    q[j] = static_cast<std::uint32_t>(qhat);
  }
  *inexact = false;
  for (std::size_t i = 0; i < n; ++i) {
    *inexact = *inexact || u[i] != 0;
  }
  return q;
}

BigInt make_big(Limbs limbs, bool negative) {
  while (!limbs.empty() && limbs.back() == 0) {
    limbs.pop_back();
  }
  BigInt v;
  v.negative = negative && !limbs.empty();
  v.limbs = std::move(limbs);
  return v;
}

// floor(sqrt(n)) for n >= 0, by Newton's iteration from above.
BigInt isqrt(const BigInt& n) {
  const int length = bit_length(n);
  if (length == 0) {
    return {};
  }
  // n = t * 4^k + rest with t of at most 52 bits: sqrt(n) < sqrt(t + 1) 2^k,
  // and the double square root of t + 1 (exact below 2^53, correctly
  // rounded) plus 1 is above sqrt(t + 1).
  const int k = length > 52 ? (length - 51) / 2 : 0;
  const BigInt t = big_shift_right(n, 2 * k);
  std::uint64_t top = 0;
  for (std::size_t i = t.limbs.size(); i-- > 0;) {
    top = (top << limb_bits) | t.limbs[i];
  }
  // Converted through the signed type (exact, as top + 1 < 2^53): from
  // an unsigned 64-bit integer, 32-bit x86 adds a correction in x87.
  const double root =
      std::sqrt(static_cast<double>(static_cast<std::int64_t>(top + 1)));
  BigInt x =
      big_shift_left(big_from_u64(static_cast<std::uint64_t>(root) + 1), k);
  // From above, (x + n / x) / 2 decreases strictly to floor(sqrt(n)).
  for (;;) {
    bool inexact = false;
    const BigInt y = big_shift_right(
        big_add(x,
                make_big(divide_magnitude(n.limbs, x.limbs, &inexact), false)),
        1);
    if (big_sign(big_sub(y, x)) >= 0) {
      return x;
    }
    x = y;
  }
}

}  // namespace

Ball ball_from_double(double v) {
  return ball_from_dyadic(dyadic_from_double(v));
}

Ball ball_from_int(std::int64_t v) {
  const std::uint64_t m =
      v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  Ball b;
  b.mid.mantissa = big_from_u64(m);
  b.mid.mantissa.negative = v < 0;
  return b;
}

Ball ball_from_dyadic(const Dyadic& v) {
  Ball b;
  b.mid = v;
  return b;
}

namespace {

// Limb i of m * 2^(32 w + p), 0 <= p < 32, read without a shifted copy.
std::uint32_t shifted_limb(const Limbs& m, std::size_t i, std::size_t w,
                           int p) {
  if (i < w) {
    return 0;
  }
  const std::size_t j = i - w;
  std::uint64_t v = j < m.size() ? std::uint64_t{m[j]} << p : 0;
  if (p > 0 && j >= 1 && j - 1 < m.size()) {
    v |= m[j - 1] >> (limb_bits - p);
  }
  return static_cast<std::uint32_t>(v);
}

// a + b, or a - b when flip, exactly: one allocation, the operand with the
// larger exponent shifted as it is read.
Dyadic exact_sum(const Dyadic& a, const Dyadic& b, bool flip) {
  if (b.mantissa.limbs.empty()) {
    return a;
  }
  if (a.mantissa.limbs.empty()) {
    return flip ? negated(b) : b;
  }
  const bool b_negative = b.mantissa.negative != flip;
  const bool a_high = a.exponent >= b.exponent;
  const Dyadic& high = a_high ? a : b;
  const Dyadic& low = a_high ? b : a;
  const bool high_negative = a_high ? a.mantissa.negative : b_negative;
  const bool low_negative = a_high ? b_negative : a.mantissa.negative;
  const auto d = static_cast<std::size_t>(high.exponent - low.exponent);
  const std::size_t w = d / limb_bits;
  const int p = static_cast<int>(d % limb_bits);
  const Limbs& h = high.mantissa.limbs;
  const Limbs& l = low.mantissa.limbs;
  const std::size_t n =
      (h.size() + w + 1 > l.size() ? h.size() + w + 1 : l.size()) + 1;
  Dyadic r;
  r.exponent = low.exponent;
  Limbs& out = r.mantissa.limbs;
  out.resize(n);
  if (high_negative == low_negative) {
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
      carry += shifted_limb(h, i, w, p);
      if (i < l.size()) {
        carry += l[i];
      }
      out[i] = static_cast<std::uint32_t>(carry);
      carry >>= limb_bits;
    }
    r.mantissa.negative = high_negative;
  } else {
    // The larger magnitude minus the smaller, the sign the larger's.
    int order = 0;
    for (std::size_t i = n; i-- > 0 && order == 0;) {
      const std::uint32_t hv = shifted_limb(h, i, w, p);
      const std::uint32_t lv = i < l.size() ? l[i] : 0;
      order = hv == lv ? 0 : (hv > lv ? 1 : -1);
    }
    if (order == 0) {
      return {};
    }
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::int64_t hv = shifted_limb(h, i, w, p);
      const std::int64_t lv = i < l.size() ? l[i] : 0;
      const std::int64_t t = (order > 0 ? hv - lv : lv - hv) - borrow;
      borrow = t < 0 ? 1 : 0;
      out[i] = static_cast<std::uint32_t>(t + (borrow << limb_bits));
    }
    r.mantissa.negative = order > 0 ? high_negative : low_negative;
  }
  while (!out.empty() && out.back() == 0) {
    out.pop_back();
  }
  r.mantissa.negative = r.mantissa.negative && !out.empty();
  return r;
}

Ball add_or_sub(const Ball& x, const Ball& y, bool flip, int bits) {
  if (x.whole || y.whole) {
    return whole_ball();
  }
  Ball r;
  r.rad = radius_add(x.rad, y.rad);
  // An operand wholly below the other's last kept bit goes to the radius:
  // it would be cut anyway, and aligning it could take thousands of bits.
  if (bit_length(y.mid.mantissa) != 0 && bit_length(x.mid.mantissa) != 0) {
    const int lx = lead(x.mid);
    const int ly = lead(y.mid);
    if (ly < lx - bits - 2) {
      r.mid = x.mid;
      r.rad = radius_add(r.rad, radius_of(y.mid, true));
      cut(r, bits);
      return r;
    }
    if (lx < ly - bits - 2) {
      r.mid = flip ? negated(y.mid) : y.mid;
      r.rad = radius_add(r.rad, radius_of(x.mid, true));
      cut(r, bits);
      return r;
    }
  }
  r.mid = exact_sum(x.mid, y.mid, flip);
  cut(r, bits);
  return r;
}

}  // namespace

Ball ball_add(const Ball& x, const Ball& y, int bits) {
  return add_or_sub(x, y, false, bits);
}

Ball ball_sub(const Ball& x, const Ball& y, int bits) {
  return add_or_sub(x, y, true, bits);
}

Ball ball_neg(const Ball& x) {
  Ball r = x;
  r.mid = negated(x.mid);
  return r;
}

Ball ball_mul(const Ball& x, const Ball& y, int bits) {
  if (x.whole || y.whole) {
    return whole_ball();
  }
  Ball r;
  r.mid = dyadic_mul(x.mid, y.mid);
  // |x| ry + |y| rx + rx ry.
  const BallRadius ax = radius_of(x.mid, true);
  const BallRadius ay = radius_of(y.mid, true);
  r.rad = radius_add(radius_add(radius_mul(ax, y.rad), radius_mul(ay, x.rad)),
                     radius_mul(x.rad, y.rad));
  cut(r, bits);
  return r;
}

Ball ball_div(const Ball& x, const Ball& y, int bits) {
  if (x.whole || y.whole || ball_sign(y) == 0) {
    return whole_ball();
  }
  Ball r;
  // q = trunc(xm 2^s / ym) with s such that |q| has bits or bits + 1 bits;
  // the truncation is below one unit of its last place.
  const int lx = bit_length(x.mid.mantissa);
  const int ly = bit_length(y.mid.mantissa);
  bool inexact = false;
  if (lx != 0) {
    const int s = bits - lx + ly;
    const BigInt n = s >= 0 ? big_shift_left(x.mid.mantissa, s)
                            : big_shift_right(x.mid.mantissa, -s);
    inexact = s < 0 && any_bit_below(x.mid.mantissa.limbs, -s);
    bool remainder = false;
    Limbs q = divide_magnitude(n.limbs, y.mid.mantissa.limbs, &remainder);
    inexact = inexact || remainder;
    r.mid.mantissa = make_big(
        std::move(q), x.mid.mantissa.negative != y.mid.mantissa.negative);
    r.mid.exponent = x.mid.exponent - s - y.mid.exponent;
    if (inexact) {
      r.rad = radius_pow2(r.mid.exponent);
    }
  }
  // For x in xm +- rx and y in ym +- ry, |x/y - xm/ym| <= (rx + |xm/ym| ry)
  // / (|ym| - ry); |xm/ym| <= |q| + its truncation.
  if (!is_zero(x.rad) || !is_zero(y.rad)) {
    const BallRadius aq = radius_add(radius_of(r.mid, true), r.rad);
    const BallRadius numerator = radius_add(x.rad, radius_mul(aq, y.rad));
    const BallRadius denominator =
        radius_sub_down(radius_of(y.mid, false), y.rad);
    if (is_zero(denominator)) {
      return whole_ball();
    }
    r.rad = radius_add(r.rad, radius_div(numerator, denominator));
  }
  cut(r, bits);
  return r;
}

Ball ball_mul_2exp(const Ball& x, int e) {
  Ball r = x;
  r.mid.exponent += e;
  if (!is_zero(r.rad)) {
    r.rad.exponent += e;
  }
  return r;
}

Ball ball_sqrt(const Ball& x, int bits) {
  if (x.whole || ball_sign(x) < 0) {
    return whole_ball();
  }
  if (big_sign(x.mid.mantissa) == 0 && is_zero(x.rad)) {
    return x;
  }
  if (ball_sign(x) == 0) {
    // [0, sqrt(upper)]: the midpoint and radius both half an upper bound.
    Ball u = ball_sqrt(ball_from_dyadic(ball_upper(x)), bits);
    const BallRadius top = radius_add(radius_of(u.mid, true), u.rad);
    Ball r;
    r.mid = dyadic_of(top);
    r.mid.exponent -= 1;
    r.rad = top;
    r.rad.exponent -= 1;
    return r;
  }
  // sqrt(m) to bits + 1 bits: isqrt(m 2^(2k)) 2^-k, the exponent made even.
  Ball r;
  const int lm = bit_length(x.mid.mantissa);
  int s = 2 * (bits + 1) - lm + 2;
  if (((x.mid.exponent - s) & 1) != 0) {
    ++s;
  }
  const BigInt n = s >= 0 ? big_shift_left(x.mid.mantissa, s)
                          : big_shift_right(x.mid.mantissa, -s);
  bool inexact = s < 0 && any_bit_below(x.mid.mantissa.limbs, -s);
  const BigInt root = isqrt(n);
  inexact = inexact || bit_length(big_sub(n, big_mul(root, root))) != 0;
  r.mid = {root, (x.mid.exponent - s) / 2};
  if (inexact) {
    r.rad = radius_pow2(r.mid.exponent);
  }
  // |sqrt(v) - sqrt(m)| = |v - m| / (sqrt(v) + sqrt(m)) <= r / sqrt(m) for
  // v >= 0, and root 2^e <= sqrt(m).
  if (!is_zero(x.rad)) {
    const BallRadius low = radius_of(r.mid, false);
    r.rad = radius_add(r.rad, radius_div(x.rad, low));
  }
  cut(r, bits);
  return r;
}

Ball ball_widen(const Ball& x, const Dyadic& extra) {
  Ball r = x;
  r.rad = radius_add(r.rad, radius_of(extra, true));
  return r;
}

int ball_sign(const Ball& x) {
  if (x.whole) {
    return 0;
  }
  const int s = big_sign(x.mid.mantissa);
  if (s == 0) {
    return 0;
  }
  if (is_zero(x.rad)) {
    return s;
  }
  // |mid| > rad: first by |mid|'s 32 top bits rounded each way (the
  // radius has 32), exactly through the lower end only when they straddle.
  const BallRadius low = radius_of(x.mid, false);
  if (radius_sub_down(low, x.rad).mantissa != 0) {
    return s;
  }
  const BallRadius high = radius_of(x.mid, true);
  if (radius_sub_down(high, x.rad).mantissa == 0) {
    return 0;
  }
  const Dyadic lower = dyadic_add(magnitude(x.mid), negated(dyadic_of(x.rad)));
  return big_sign(lower.mantissa) > 0 ? s : 0;
}

bool ball_round(const Ball& x, double* out) {
  if (x.whole) {
    return false;
  }
  const double lo = dyadic_round(ball_lower(x));
  const double hi = dyadic_round(ball_upper(x));
  if (std::isinf(lo) || std::isinf(hi)) {
    return false;
  }
  // Equal as numbers (a zero may differ in sign between the ends).
  if (lo != hi) {
    return false;
  }
  if (lo == 0.0) {
    *out = x.mid.mantissa.negative ? -0.0 : 0.0;
    return true;
  }
  *out = lo;
  return true;
}

double ball_mid_double(const Ball& x) {
  return x.whole ? 0.0 : dyadic_round(x.mid);
}

Dyadic ball_lower(const Ball& x) {
  return is_zero(x.rad) ? x.mid : dyadic_add(x.mid, negated(dyadic_of(x.rad)));
}

Dyadic ball_upper(const Ball& x) {
  return is_zero(x.rad) ? x.mid : dyadic_add(x.mid, dyadic_of(x.rad));
}

}  // namespace zemta::detail
