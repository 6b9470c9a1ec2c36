// Ball arithmetic against MPFR: every operation and function on a spread
// of arguments (tiny, huge, near 0, negative, with a radius) must enclose
// the true value, computed by MPFR at four times the bits and rounded
// outward, at the corners and middle of its arguments' balls; a point
// argument's ball must be tight; and ball_round must give MPFR's nearest
// double whenever it answers, at and next to the midpoints between
// doubles.
#include "rule/quadrature/ball.h"

#include <gmp.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include "support/mpfr_value.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace zemta::detail {
namespace {

using Big = testing::MpfrValue;

// v exactly, its precision set to hold it.
void set_dyadic(mpfr_ptr out, const Dyadic& v) {
  mpz_t z;
  mpz_init(z);
  mpz_import(z, v.mantissa.limbs.size(), -1, sizeof(std::uint32_t), 0, 0,
             v.mantissa.limbs.data());
  if (v.mantissa.negative) {
    mpz_neg(z, z);
  }
  const int length = big_bit_length(v.mantissa);
  mpfr_set_prec(out, length < 2 ? 2 : length);
  mpfr_set_z_2exp(out, z, v.exponent, MPFR_RNDN);
  mpz_clear(z);
}

Dyadic negative(Dyadic v) {
  v.mantissa.negative = !v.mantissa.negative && big_sign(v.mantissa) != 0;
  return v;
}

Dyadic scaled(double v, int scale) {
  Dyadic d = dyadic_from_double(v);
  d.exponent += scale;
  return d;
}

// An argument: value * 2^scale, with radius * 2^scale.
struct Argument {
  double value;
  double radius;
  int scale;
};

Ball ball_of(const Argument& a) {
  Ball b = ball_from_dyadic(scaled(a.value, a.scale));
  return a.radius == 0.0 ? b : ball_widen(b, scaled(a.radius, a.scale));
}

// The argument's values sampled: its ends and its midpoint, exactly.
std::vector<Dyadic> samples(const Argument& a) {
  std::vector<Dyadic> out = {scaled(a.value, a.scale)};
  if (a.radius != 0.0) {
    const Dyadic r = scaled(a.radius, a.scale);
    out.push_back(dyadic_add(out[0], r));
    out.push_back(dyadic_add(out[0], negative(r)));
  }
  return out;
}

enum class Op { add, sub, mul, div, sqrt, exp, log, log_gamma, pow };

struct Case {
  const char* name;
  Op op;
  Argument x;
  Argument y;  // for the operations of two arguments
};

Ball apply(Op op, const Ball& x, const Ball& y, int bits) {
  switch (op) {
    case Op::add:
      return ball_add(x, y, bits);
    case Op::sub:
      return ball_sub(x, y, bits);
    case Op::mul:
      return ball_mul(x, y, bits);
    case Op::div:
      return ball_div(x, y, bits);
    case Op::sqrt:
      return ball_sqrt(x, bits);
    case Op::exp:
      return ball_exp(x, bits);
    case Op::log:
      return ball_log(x, bits);
    case Op::log_gamma:
      return ball_log_gamma(x, bits);
    case Op::pow:
      return ball_pow(x, y, bits);
  }
  return {};
}

void apply(Op op, mpfr_ptr out, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t rnd) {
  switch (op) {
    case Op::add:
      mpfr_add(out, x, y, rnd);
      return;
    case Op::sub:
      mpfr_sub(out, x, y, rnd);
      return;
    case Op::mul:
      mpfr_mul(out, x, y, rnd);
      return;
    case Op::div:
      mpfr_div(out, x, y, rnd);
      return;
    case Op::sqrt:
      mpfr_sqrt(out, x, rnd);
      return;
    case Op::exp:
      mpfr_exp(out, x, rnd);
      return;
    case Op::log:
      mpfr_log(out, x, rnd);
      return;
    case Op::log_gamma:
      mpfr_lngamma(out, x, rnd);
      return;
    case Op::pow:
      mpfr_pow(out, x, y, rnd);
      return;
  }
}

bool takes_two(Op op) {
  return op == Op::add || op == Op::sub || op == Op::mul || op == Op::div ||
         op == Op::pow;
}

constexpr Argument none = {0.0, 0.0, 0};

// The spread: exact and rounded results, cancellation, operands thousands
// of binades apart, magnitudes near 2^+-6000 (Hermite's weights reach
// 1e-900), negative values, and balls with radii.
const Case cases[] = {
    {"add", Op::add, {1.0, 0.0, 0}, {0x1p-60, 0.0, 0}},
    {"add_cancelling",
     Op::add,
     {1.0 / 3.0, 0.0, 0},
     {-0x1.5555555555554p-2, 0.0, 0}},
    {"add_far_apart", Op::add, {1.5, 0.0, 3000}, {-1.25, 0.0, -3000}},
    {"add_radii", Op::add, {-2.5, 0x1p-70, 0}, {0.75, 0x1p-90, 0}},
    {"sub", Op::sub, {0.1, 0.0, 0}, {0.3, 0.0, 0}},
    {"sub_huge_tiny", Op::sub, {1.0, 0x1p-80, -6000}, {3.0, 0.0, -6001}},
    {"mul", Op::mul, {1.0 / 3.0, 0.0, 0}, {-3.0, 0.0, 0}},
    {"mul_extremes", Op::mul, {0.7, 0.0, 5000}, {0.9, 0.0, -11000}},
    {"mul_radii", Op::mul, {-1.5, 0x1p-60, 0}, {1e10, 1e-3, 0}},
    {"div", Op::div, {1.0, 0.0, 0}, {3.0, 0.0, 0}},
    {"div_negative", Op::div, {-7.25, 0.0, 0}, {0.1, 0.0, 0}},
    {"div_extremes", Op::div, {0.3, 0.0, -6000}, {0.7, 0.0, 6000}},
    {"div_radii", Op::div, {2.0, 0x1p-50, 0}, {-3.0, 0x1p-40, 0}},
    {"sqrt", Op::sqrt, {2.0, 0.0, 0}, none},
    {"sqrt_tiny", Op::sqrt, {3.0, 0.0, -6001}, none},
    {"sqrt_radius", Op::sqrt, {0.5, 0x1p-30, 0}, none},
    {"exp", Op::exp, {1.0, 0.0, 0}, none},
    {"exp_tiny_argument", Op::exp, {1.0, 0.0, -300}, none},
    {"exp_negative_large", Op::exp, {-4000.5, 0.0, 0}, none},
    {"exp_positive_large", Op::exp, {2000.25, 0.0, 0}, none},
    {"exp_radius", Op::exp, {-3.0, 0x1p-20, 0}, none},
    {"exp_wide", Op::exp, {0.5, 2.0, 0}, none},
    {"log", Op::log, {2.0, 0.0, 0}, none},
    {"log_near_one", Op::log, {1.0 + 0x1p-40, 0.0, 0}, none},
    {"log_tiny", Op::log, {0.3, 0.0, -6000}, none},
    {"log_huge", Op::log, {0.6, 0.0, 6000}, none},
    {"log_radius", Op::log, {10.0, 0x1p-10, 0}, none},
    {"log_gamma_half", Op::log_gamma, {0.5, 0.0, 0}, none},
    {"log_gamma_small", Op::log_gamma, {0x1.8p-40, 0.0, 0}, none},
    {"log_gamma_near_minimum",
     Op::log_gamma,
     {1.4616321449683622, 0.0, 0},
     none},
    {"log_gamma_large", Op::log_gamma, {1e6 + 0.25, 0.0, 0}, none},
    {"log_gamma_huge", Op::log_gamma, {1.0, 0.0, 1000}, none},
    {"log_gamma_radius", Op::log_gamma, {3.75, 0x1p-30, 0}, none},
    {"pow", Op::pow, {2.5, 0.0, 0}, {-3.7, 0.0, 0}},
    {"pow_large_exponent", Op::pow, {0.999, 0.0, 0}, {1e6, 0.0, 0}},
    {"pow_radii", Op::pow, {7.0, 0x1p-40, 0}, {0.5, 0x1p-45, 0}},
};

// Near log Gamma's zeros at 1 and 2 the error is absolute; elsewhere every
// result here is tight relative to its own magnitude.
bool absolute_error(const Case& c) { return c.op == Op::log_gamma; }

// Enough for any sum or product of the arguments above, exactly.
constexpr mpfr_prec_t exact_bits = 20000;

class BallOperations : public ::testing::TestWithParam<int> {};

TEST_P(BallOperations, EncloseTheTrueValueTightly) {
  const int bits = GetParam();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Sums and products exactly (a ball's end may be the exact value);
    // the rest are irrational here, rounded outward at four times the bits.
    const bool exact = c.op == Op::add || c.op == Op::sub || c.op == Op::mul;
    const mpfr_prec_t reference_bits =
        exact ? exact_bits : 4 * mpfr_prec_t{bits};
    const Ball x = ball_of(c.x);
    const Ball y = takes_two(c.op) ? ball_of(c.y) : ball_from_int(0);
    const Ball r = apply(c.op, x, y, bits);
    ASSERT_FALSE(r.whole);
    Big lower(2);
    Big upper(2);
    set_dyadic(lower.get(), ball_lower(r));
    set_dyadic(upper.get(), ball_upper(r));
    Big xv(2);
    Big yv(2);
    Big down(reference_bits);
    Big up(reference_bits);
    const std::vector<Dyadic> ys =
        takes_two(c.op) ? samples(c.y) : std::vector<Dyadic>{Dyadic{}};
    for (const Dyadic& xs : samples(c.x)) {
      for (const Dyadic& ysample : ys) {
        set_dyadic(xv.get(), xs);
        set_dyadic(yv.get(), ysample);
        apply(c.op, down.get(), xv.get(), yv.get(), MPFR_RNDD);
        apply(c.op, up.get(), xv.get(), yv.get(), MPFR_RNDU);
        EXPECT_LE(mpfr_cmp(lower.get(), down.get()), 0)
            << mpfr_get_d(down.get(), MPFR_RNDN);
        EXPECT_GE(mpfr_cmp(upper.get(), up.get()), 0)
            << mpfr_get_d(up.get(), MPFR_RNDN);
      }
    }
    if (c.x.radius != 0.0 || (takes_two(c.op) && c.y.radius != 0.0)) {
      continue;
    }
    // A point argument: radius <= 2^-(bits - 8) of the value (or of 1 for
    // an absolute error).
    Big width(reference_bits);
    mpfr_sub(width.get(), upper.get(), lower.get(), MPFR_RNDU);
    Big limit(reference_bits);
    mpfr_abs(limit.get(), down.get(), MPFR_RNDN);
    if (absolute_error(c) && mpfr_cmp_ui(limit.get(), 1) < 0) {
      mpfr_set_ui(limit.get(), 1, MPFR_RNDN);
    }
    mpfr_mul_2si(limit.get(), limit.get(), -(bits - 8) + 1, MPFR_RNDN);
    EXPECT_LE(mpfr_cmp(width.get(), limit.get()), 0)
        << "width 2^" << mpfr_get_exp(width.get()) << " limit 2^"
        << mpfr_get_exp(limit.get());
  }
}

INSTANTIATE_TEST_SUITE_P(Bits, BallOperations,
                         ::testing::Values(64, 128, 256, 1024));

TEST(BallConstants, PiEnclosedTightly) {
  for (const int bits : {64, 200, 2048}) {
    const Ball p = ball_pi(bits);
    Big lower(2);
    Big upper(2);
    set_dyadic(lower.get(), ball_lower(p));
    set_dyadic(upper.get(), ball_upper(p));
    Big down(4 * mpfr_prec_t{bits});
    Big up(4 * mpfr_prec_t{bits});
    mpfr_const_pi(down.get(), MPFR_RNDD);
    mpfr_const_pi(up.get(), MPFR_RNDU);
    EXPECT_LE(mpfr_cmp(lower.get(), down.get()), 0);
    EXPECT_GE(mpfr_cmp(upper.get(), up.get()), 0);
    mpfr_sub(up.get(), upper.get(), lower.get(), MPFR_RNDU);
    EXPECT_LT(mpfr_get_exp(up.get()), -(bits - 10));
  }
}

// A ball that may hold 0 has no quotient; nor does a negative ball a
// square root: the results contain everything, and stay so.
TEST(BallWhole, DivisionByABallHoldingZeroIsWhole) {
  const Ball zero_ish = ball_widen(ball_from_double(1e-30), scaled(2e-30, 0));
  const Ball q = ball_div(ball_from_int(1), zero_ish, 128);
  EXPECT_TRUE(q.whole);
  EXPECT_EQ(ball_sign(q), 0);
  double out = 0.0;
  EXPECT_FALSE(ball_round(q, &out));
  EXPECT_TRUE(ball_add(q, ball_from_int(1), 128).whole);
  EXPECT_TRUE(ball_div(ball_from_int(1), ball_from_int(0), 128).whole);
  EXPECT_TRUE(ball_sqrt(ball_from_int(-1), 128).whole);
  EXPECT_TRUE(ball_log(zero_ish, 128).whole);
}

// ball_sign decides most balls from 32 top bits of the midpoint and the
// radius; these are the ones where the two agree in those bits and only
// the exact comparison can tell, and the plain ones on either side.
TEST(BallSign, ExactWhereTheTopBitsTie) {
  struct SignCase {
    Dyadic mid;
    Dyadic rad;
    int sign;
  };
  const Dyadic one = dyadic_from_double(1.0);
  const Dyadic just_above_one = dyadic_add(one, scaled(1.0, -100));
  const SignCase signs[] = {
      {just_above_one, one, 1},
      {negative(just_above_one), one, -1},
      {one, one, 0},
      {one, just_above_one, 0},
      {dyadic_from_double(3.0), one, 1},
      {dyadic_from_double(-2.0), Dyadic{}, -1},
      {Dyadic{}, Dyadic{}, 0},
  };
  for (const SignCase& c : signs) {
    const Ball b = big_sign(c.rad.mantissa) == 0
                       ? ball_from_dyadic(c.mid)
                       : ball_widen(ball_from_dyadic(c.mid), c.rad);
    EXPECT_EQ(ball_sign(b), c.sign)
        << std::hexfloat << ball_mid_double(b) << " " << dyadic_round(c.rad);
  }
}

// ball_round against MPFR's own rounding of each end, at and next to the
// midpoint between a double d and the next one up: a tie point rounds to
// even, a point or a narrow ball off the midpoint rounds, and a ball over
// the midpoint does not. The doubles: ordinary, a binade's top, the least
// normal, subnormals (the midpoint above 0 is 2^-1075, a tie to 0), DBL_MAX
// (its midpoint above is the boundary past which everything overflows),
// and negative ones.
TEST(BallRound, AgreesWithMpfrAtAndNextToMidpoints) {
  const double doubles[] = {1.0,       0x1.fffffffffffffp-1, DBL_MIN, 0.0,
                            0x1p-1074, 0x1.8p-1073,          DBL_MAX, -1.5,
                            -0x1p-1074};
  for (const double d : doubles) {
    const double next = std::nextafter(d, HUGE_VAL);
    // The midpoint (d + next) / 2 exactly, and 2^-60 of the gap.
    const bool overflows = std::isinf(next);
    const Dyadic gap = overflows ? dyadic_from_double(0x1p971)  // DBL_MAX's ulp
                                 : dyadic_add(dyadic_from_double(next),
                                              negative(dyadic_from_double(d)));
    Dyadic half = gap;
    half.exponent -= 1;
    const Dyadic midpoint = dyadic_add(dyadic_from_double(d), half);
    Dyadic tiny = gap;
    tiny.exponent -= 60;
    const Dyadic minus_tiny = negative(tiny);
    Dyadic quarter_tiny = tiny;
    quarter_tiny.exponent -= 2;
    struct Probe {
      Dyadic centre;
      bool widened;
      bool must_round;
    };
    const Probe probes[] = {
        {midpoint, false, !overflows},
        {midpoint, true, false},
        {dyadic_add(midpoint, tiny), false, !overflows},
        {dyadic_add(midpoint, tiny), true, !overflows},
        {dyadic_add(midpoint, minus_tiny), false, true},
        {dyadic_add(midpoint, minus_tiny), true, true},
    };
    for (const Probe& p : probes) {
      SCOPED_TRACE(::testing::Message() << "d " << std::hexfloat << d);
      Ball b = ball_from_dyadic(p.centre);
      if (p.widened) {
        b = ball_widen(b, quarter_tiny);
      }
      double out = 0.0;
      const bool rounded = ball_round(b, &out);
      EXPECT_EQ(rounded, p.must_round);
      if (!rounded) {
        continue;
      }
      for (const Dyadic& end : {ball_lower(b), ball_upper(b)}) {
        Big v(2);
        set_dyadic(v.get(), end);
        const double expected = mpfr_get_d(v.get(), MPFR_RNDN);
        EXPECT_EQ(out, expected) << std::hexfloat << out << " " << expected;
      }
    }
  }
  // A ball around 0 rounds to a zero of its midpoint's sign.
  double out = 1.0;
  Ball around =
      ball_widen(ball_from_dyadic(scaled(-1.0, -1200)), scaled(1.0, -1100));
  ASSERT_TRUE(ball_round(around, &out));
  EXPECT_TRUE(out == 0.0 && std::signbit(out));
  around = ball_widen(ball_from_int(0), scaled(1.0, -1100));
  ASSERT_TRUE(ball_round(around, &out));
  EXPECT_TRUE(out == 0.0 && !std::signbit(out));
}

}  // namespace
}  // namespace zemta::detail
