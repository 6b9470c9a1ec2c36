// correctly_rounded_pow against MPFR: n^y at 200 bits, rounded once more to
// the nearest double.
#include "quadrature/power.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <random>

#include "quadrature/root_search.h"
#include "support/memory_stream.h"

namespace zemta::detail {
namespace {

using testing::hex;

// Bits of the reference: 200 bits leave a double rounding from 200 to 53
// bits possible only for an n^y within 2^-200 of a midpoint.
constexpr mpfr_prec_t reference_bits = 200;

double reference_pow(int n, double y) {
  mpfr_t base;
  mpfr_t exponent;
  mpfr_t result;
  mpfr_inits2(reference_bits, base, exponent, result,
              static_cast<mpfr_ptr>(nullptr));
  mpfr_set_si(base, n, MPFR_RNDN);
  mpfr_set_d(exponent, y, MPFR_RNDN);
  mpfr_pow(result, base, exponent, MPFR_RNDN);
  const double rounded = mpfr_get_d(result, MPFR_RNDN);
  mpfr_clears(base, exponent, result, static_cast<mpfr_ptr>(nullptr));
  return rounded;
}

::testing::AssertionResult matches_reference(int n, double y) {
  const double actual = correctly_rounded_pow(n, y);
  const double expected = reference_pow(n, y);
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << n << "^" << hex(y) << " gives " << hex(actual) << ", expected "
         << hex(expected);
}

// The two bracket exponents over the whole domain: the values the program
// uses, bit for bit. Exponents with exact results (1, n, n^2) and short
// binary periods (1/n, 1/n^2) come along.
TEST(CorrectlyRoundedPow, EveryBaseMatchesMpfr) {
  for (const double y :
       {detail::first_root_exponent, detail::largest_root_exponent, -2.0, -1.0,
        0.0, 1.0, 2.0}) {
    int failures = 0;
    for (int n = min_power_base; n <= max_power_base && failures < 5; ++n) {
      const auto result = matches_reference(n, y);
      EXPECT_TRUE(result);
      failures += result ? 0 : 1;
    }
  }
}

// The examples the header gives.
TEST(CorrectlyRoundedPow, HeaderExamples) {
  EXPECT_EQ(correctly_rounded_pow(4, 0.5), 2.0);
  EXPECT_EQ(correctly_rounded_pow(430, 0.94), 0x1.2adad94122a96p+8);
}

// Exponents across the whole domain [-2, 2], for faults the two bracket
// exponents would not show (in the reduction of large |y ln n|, in the
// sign of the series). A random n^y lies within power_error_bound of a
// midpoint with a probability near 2^-40, so every one must match.
TEST(CorrectlyRoundedPow, RandomExponentsMatchMpfr) {
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<int> base(min_power_base, max_power_base);
  std::uniform_real_distribution<double> exponent(-max_power_exponent,
                                                  max_power_exponent);
  int failures = 0;
  for (int i = 0; i < 5000 && failures < 5; ++i) {
    const auto result = matches_reference(base(random), exponent(random));
    EXPECT_TRUE(result);
    failures += result ? 0 : 1;
  }
}

}  // namespace
}  // namespace zemta::detail
