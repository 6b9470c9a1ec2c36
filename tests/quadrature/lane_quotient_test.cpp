// The quotients by the recurrence's degree on every lane kernel this
// processor runs, against the divider: for every degree the recurrence
// uses (2 to 999), dividends whose quotient lies next to a rounding
// boundary, powers of two and exact multiples, the ends of the range the
// -fma kernels take without the divider, and those it sends to it.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

#include "quadrature/lane_kernel.h"
#include "support/memory_stream.h"
#include "supported_kernels.h"

namespace zemta::detail {
namespace {

using testing::hex;

constexpr int largest_degree = 999;

// Dividends whose quotient by `degree` lies within about one ulp of the
// quotient of a midpoint between doubles: RN(degree * m) and its two
// neighbours for m = (k + 1/2) ulp at binades from 2^-70 to 2; exact
// multiples degree * 2^e and their neighbours; powers of two; random values
// in (-4, 4). All in the range taken without the divider.
std::vector<double> hard_dividends(int degree, std::mt19937_64& random) {
  std::vector<double> a;
  const auto neighbours = [&a](double v) {
    a.push_back(v);
    a.push_back(std::nextafter(v, 0.0));
    a.push_back(std::nextafter(v, 2 * v));
  };
  const double b = degree;
  for (int e = -70; e <= 1; e += 3) {
    for (int k = 0; k < 6; ++k) {
      // A 53-bit significand at binade e; half an ulp above it lies the
      // midpoint (exact in long double's 64 bits on x86, rounded to
      // nearest-even otherwise: either way a dividend near degree * it).
      const std::uint64_t significand =
          (std::uint64_t{1} << 52) | (random() >> 12);
      const double m = std::ldexp(static_cast<double>(significand), e - 52);
      const double ulp = std::ldexp(1.0, e - 52);
      const double sign = k % 2 == 0 ? 1.0 : -1.0;
      neighbours(sign *
                 static_cast<double>(static_cast<long double>(b) *
                                     (static_cast<long double>(m) +
                                      static_cast<long double>(ulp) / 2)));
    }
    neighbours(b * std::ldexp(1.0, e));
    neighbours(-std::ldexp(1.0, e));
  }
  // The ends of the range: 2^-1000 and the largest double.
  neighbours(std::ldexp(1.0, -1000) * 1.5);
  a.push_back(std::ldexp(1.0, -1000));
  a.push_back(std::numeric_limits<double>::max());
  a.push_back(-std::numeric_limits<double>::max());
  std::uniform_real_distribution<double> uniform(-4.0, 4.0);
  while (a.size() % 64 != 0) {
    a.push_back(uniform(random));
  }
  return a;
}

// The dividends the -fma kernels send to the divider.
const double divided_dividends[] = {
    0.0,
    -0.0,
    std::ldexp(1.0, -1001),
    -std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::min(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
};

using zemta::testing::supported_kernels;

TEST(LaneQuotient, EveryQuotientIsTheDividersAtEveryDegree) {
  for (const LaneKernel* kernel : supported_kernels()) {
    SCOPED_TRACE(kernel->name);
    std::mt19937_64 random(2026);
    for (int degree = 2; degree <= largest_degree; ++degree) {
      const std::vector<double> a = hard_dividends(degree, random);
      std::vector<double> q(a.size());
      const int count = static_cast<int>(a.size());
      // In range: no vector is divided, so the quotients are the fast
      // path's, not the divider's second opinion.
      ASSERT_EQ(kernel->quotients(degree, count, a.data(), q.data()), 0)
          << "degree " << degree;
      for (std::size_t t = 0; t < a.size(); ++t) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(q[t]),
                  std::bit_cast<std::uint64_t>(a[t] / degree))
            << "degree " << degree << " a " << hex(a[t]) << " q " << hex(q[t])
            << " a/i " << hex(a[t] / degree);
      }
    }
  }
}

TEST(LaneQuotient, DividendsOutOfRangeGetTheDividersQuotient) {
  for (const LaneKernel* kernel : supported_kernels()) {
    SCOPED_TRACE(kernel->name);
    const bool fused = std::string_view(kernel->name).ends_with("-fma");
    for (const double out : divided_dividends) {
      for (const int degree : {2, 3, 7, 998, 999}) {
        // One such dividend among ordinary ones sends its vector to the
        // divider; the ordinary ones keep their quotients all the same.
        double a[8] = {out, 0.75, -1.5, 3.0, 0.1, -0.3, 1.0 / 3, 2.0};
        double q[8];
        ASSERT_EQ(kernel->quotients(degree, 8, a, q), fused ? 1 : 0)
            << "degree " << degree << " a " << hex(out);
        for (int t = 0; t < 8; ++t) {
          ASSERT_EQ(std::bit_cast<std::uint64_t>(q[t]),
                    std::bit_cast<std::uint64_t>(a[t] / degree))
              << "degree " << degree << " a " << hex(a[t]);
        }
      }
    }
  }
}

}  // namespace
}  // namespace zemta::detail
