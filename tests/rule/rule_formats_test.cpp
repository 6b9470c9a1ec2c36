// zemta-rule's number form (rule/emit/rule_formats.h): the layouts at their
// edges, and every form read back by strtod as the very same double; and
// its Fortran tables within free-form Fortran's limits for every order.
#include "rule/emit/rule_formats.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "quadrature/coefficients.h"
#include "rule/quadrature/correctly_rounded.h"

namespace {

std::string text_of(double value, bool hex) {
  char text[zemta::rule_number_capacity];
  return {text, zemta::format_rule_number(value, hex, text)};
}

TEST(RuleNumber, LayoutsAtTheirEdges) {
  const struct {
    double value;
    const char* decimal;
    const char* hex;
  } cases[] = {
      {0.0, "0.0", "0x0p0"},
      {-0.0, "-0.0", "-0x0p0"},
      {1.0, "1.0", "0x1p0"},
      {-0.5, "-0.5", "-0x1p-1"},
      {3.0, "3.0", "0x1.8p1"},
      {0x1.279a74590331cp-1, "0.5773502691896257", "0x1.279a74590331cp-1"},
      {1e-4, "0.0001", "0x1.a36e2eb1c432dp-14"},
      {9.9999999999999991e-5, "9.999999999999999e-5", "0x1.a36e2eb1c432cp-14"},
      {7e-6, "7.0e-6", "0x1.d5c31593e5fb7p-18"},
      {1e16, "1.0e16", "0x1.1c37937e08p53"},
      {9999999999999998.0, "9999999999999998.0", "0x1.1c37937e07fffp53"},
      {123.25, "123.25", "0x1.edp6"},
      {-1e-300, "-1.0e-300", "-0x1.56e1fc2f8f359p-997"},
      {0x0.0000000000001p-1022, "5.0e-324", "0x0.0000000000001p-1022"},
      {-0x1.fffffffffffffp1023, "-1.7976931348623157e308",
       "-0x1.fffffffffffffp1023"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_of(c.value, false), c.decimal) << c.decimal;
    EXPECT_EQ(text_of(c.value, true), c.hex) << c.hex;
  }
}

TEST(RuleNumber, ReadsBackAsTheSameDouble) {
  // Random bit patterns cover every exponent; strtod is the independent
  // reader of both forms.
  std::mt19937_64 random(31);
  for (int i = 0; i < 200000; ++i) {
    const auto value = std::bit_cast<double>(random());
    if (!std::isfinite(value)) {
      continue;
    }
    for (const bool hex : {false, true}) {
      const std::string text = text_of(value, hex);
      ASSERT_LE(text.size(), zemta::rule_number_capacity);
      const double back = std::strtod(text.c_str(), nullptr);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(back),
                std::bit_cast<std::uint64_t>(value))
          << text;
    }
  }
}

// The text write_rule gives, through a temporary file.
std::string rule_text(const zemta::RuleTable& table,
                      const zemta::RuleLayout& layout) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  EXPECT_TRUE(zemta::write_rule(file, table, layout));
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

// Every Fortran table, of every order, on intervals whose values take the
// most characters and with the half table: each line within 132
// characters and each statement within 255 continuation lines. The tables
// split into pieces (and a sample of orders) are read back too: their
// values, by strtod in the order written, are exactly the table's, the
// nodes and then the weights, none lost or repeated at a cut. (The full
// suite compiles every table with gfortran.)
TEST(RuleFortran, EveryTableWithinTheLimits) {
  const struct {
    double a;
    double b;
  } intervals[] = {{-1, 1}, {-3, 7.5}, {0, 10}, {1e-300, 3e-300}};
  std::vector<double> nodes(zemta::max_order);
  std::vector<double> weights(zemta::max_order);
  int split = 0;
  for (const auto& on : intervals) {
    for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
      const bool on_interval = on.a != -1 || on.b != 1;
      ASSERT_EQ(on_interval ? zemta::correctly_rounded_rule(
                                  n, on.a, on.b, nodes.data(), weights.data())
                            : zemta::correctly_rounded_rule(n, nodes.data(),
                                                            weights.data()),
                n);
      const zemta::RuleTable table = {n,           nodes.data(), weights.data(),
                                      on_interval, on.a,         on.b};
      for (const bool half : {false, true}) {
        const std::string where =
            "order " + std::to_string(n) + " on [" + std::to_string(on.a) +
            ", " + std::to_string(on.b) + "]" + (half ? " half" : "");
        const std::string text =
            rule_text(table, {zemta::RuleFormat::fortran, half, false});
        int continuations = 0;
        std::size_t line_start = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
          if (text[i] == '\n') {
            ASSERT_LE(i - line_start, zemta::fortran_line_limit)
                << where << ", line at " << line_start;
            continuations = text[i - 1] == '&' ? continuations + 1 : 0;
            ASSERT_LE(continuations, zemta::fortran_continuation_limit)
                << where;
            line_start = i + 1;
          }
        }
        ASSERT_EQ(line_start, text.size()) << where;
        const bool pieces = text.find(", private :: ") != std::string::npos;
        split += pieces ? 1 : 0;
        if (!pieces && n != 7 && n != 33 && n != 999) {
          continue;
        }
        std::vector<double> values;
        for (std::size_t at = text.find("_real64"); at != std::string::npos;
             at = text.find("_real64", at + 1)) {
          const std::size_t first = text.find_last_of(" [", at) + 1;
          values.push_back(std::strtod(text.c_str() + first, nullptr));
        }
        const auto count =
            static_cast<std::size_t>(half ? zemta::half_count(n) : n);
        const std::size_t first = static_cast<std::size_t>(n) - count;
        ASSERT_EQ(values.size(), 2 * count) << where;
        for (std::size_t i = 0; i < count; ++i) {
          ASSERT_EQ(values[i], nodes[first + i]) << where;
          ASSERT_EQ(values[count + i], weights[first + i]) << where;
        }
      }
    }
  }
  // The tables that need pieces are there to be checked.
  EXPECT_GT(split, 0);
}

// Every family's Fortran table at order 999 (Kronrod's 1999 values, in
// pieces) with values and parameters of the longest text, on an interval
// where the family has one, full and half: the comment lines that name the
// family, its parameters and exactness stay within 132 characters too.
TEST(RuleFortran, FamilyTablesWithinTheLimits) {
  constexpr int n = zemta::max_order;
  const std::vector<double> values(zemta::rule_node_capacity,
                                   -0x1.fffffffffffffp1023);
  for (const zemta::RuleFamilyName& family : zemta::rule_family_names) {
    zemta::RuleTable table = {n, values.data(), values.data()};
    table.family = family.family;
    table.gauss_weights = values.data();
    table.on_interval = family.domain == zemta::FamilyDomain::finite;
    table.a = -0x1.fffffffffffffp1023;
    table.b = 0x1.fffffffffffffp1023;
    table.alpha = family.takes_alpha ? -0x1.fffffffffffffp-1 : 0.0;
    table.beta = family.takes_beta ? table.alpha : 0.0;
    table.scaled = family.scalable;
    zemta::FamilyRequest request;
    request.family = family.family;
    request.alpha = table.alpha;
    request.beta = table.beta;
    for (const bool half : {false, true}) {
      if (half && !zemta::family_is_symmetric(request)) {
        continue;
      }
      const std::string text =
          rule_text(table, {zemta::RuleFormat::fortran, half, false});
      int continuations = 0;
      std::size_t line_start = 0;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
          ASSERT_LE(i - line_start, zemta::fortran_line_limit)
              << family.name << (half ? " half" : "") << ": "
              << text.substr(line_start, i - line_start);
          continuations = text[i - 1] == '&' ? continuations + 1 : 0;
          ASSERT_LE(continuations, zemta::fortran_continuation_limit)
              << family.name;
          line_start = i + 1;
        }
      }
    }
  }
}

// Each format names a family's arrays for it, and Kronrod's third array of
// Gauss weights, in hand-made tables: Kronrod's of order 1 is the 3-point
// Gauss-Legendre rule, whose Gauss weights are 0, 2, 0; Chebyshev's of
// the first kind of order 2 has the nodes +-sqrt(1/2) and weights pi/2. The
// comments name the rule, its weight function and parameters, the node
// count and the degree the rule is exact for (3N + 2 for Kronrod of odd
// N); the half table of Kronrod's 2N + 1 nodes has a middle node.
TEST(RuleFamilyTables, NameTheirArraysColumnsAndRule) {
  using zemta::RuleFamily;
  using zemta::RuleFormat;
  const double kronrod_x[] = {-0x1.8c97ef43f7248p-1, 0.0, 0x1.8c97ef43f7248p-1};
  const double kronrod_w[] = {0x1.1c71c71c71c72p-1, 0x1.c71c71c71c71cp-1,
                              0x1.1c71c71c71c72p-1};
  const double kronrod_g[] = {0.0, 2.0, 0.0};
  const double chebyshev_x[] = {-0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bcdp-1};
  const double chebyshev_w[] = {0x1.921fb54442d18p0, 0x1.921fb54442d18p0};
  zemta::RuleTable kronrod = {1, kronrod_x, kronrod_w};
  kronrod.family = RuleFamily::kronrod;
  kronrod.gauss_weights = kronrod_g;
  zemta::RuleTable chebyshev = {2, chebyshev_x, chebyshev_w};
  chebyshev.family = RuleFamily::chebyshev1;
  zemta::RuleTable hermite = chebyshev;
  hermite.family = RuleFamily::hermite_prob;
  hermite.scaled = true;
  zemta::RuleTable jacobi = {2, chebyshev_x, chebyshev_w, true, 0.0, 1.0};
  jacobi.family = RuleFamily::jacobi;
  jacobi.alpha = 0.5;
  jacobi.beta = -0.5;
  const struct {
    RuleFormat format;
    bool half;
    const zemta::RuleTable* table;
    std::vector<std::string> pieces;
  } cases[] = {
      {RuleFormat::csv,
       false,
       &kronrod,
       {"node,weight,gauss_weight\n"
        "-0.7745966692414834,0.5555555555555556,0.0\n"
        "0.0,0.8888888888888888,2.0\n"}},
      {RuleFormat::c,
       false,
       &kronrod,
       {"/* Gauss-Kronrod rule of order 1 on [-1, 1], written by",
        " * 3 nodes, the 1 of the Gauss-Legendre rule of order 1 and 2 more.",
        "polynomial of degree 5 or less.",
        "static const double x_kronrod1[3] = {\n",
        "static const double w_kronrod1[3] = {\n",
        "static const double g_kronrod1[3] = {\n  0.0,\n  2.0,\n  0.0\n};\n"}},
      {RuleFormat::c,
       true,
       &kronrod,
       {"static const double x_kronrod1[2] = {\n  0.0,",
        "static const double g_kronrod1[2] = {\n  2.0,\n  0.0\n};\n",
        "the middle node x_kronrod1[0] counts once."}},
      {RuleFormat::cpp,
       false,
       &kronrod,
       {"namespace gauss_kronrod {\n",
        "inline constexpr std::array<double, 3> g_kronrod1 = {{\n",
        "}  // namespace gauss_kronrod\n"}},
      {RuleFormat::numpy,
       false,
       &chebyshev,
       {"# Gauss-Chebyshev (first kind) rule of order 2 on [-1, 1]",
        "# Weight w(x) = 1/sqrt(1 - x^2).\n", "x_chebyshev1_2 = np.array([\n",
        "w_chebyshev1_2 = np.array([\n"}},
      {RuleFormat::julia, false, &kronrod, {"const g_kronrod1 = [\n"}},
      {RuleFormat::fortran,
       false,
       &chebyshev,
       {"module gauss_chebyshev1_2\n",
        "real(real64), parameter :: w_chebyshev1_2(2) = [ &\n",
        "end module gauss_chebyshev1_2\n"}},
      {RuleFormat::rust,
       false,
       &hermite,
       {"(-infinity, infinity)", "// Scaled: each weight is divided by w",
        "pub const X_HERMITE_PROB2: [f64; 2] = [\n",
        "pub const W_HERMITE_PROB2: [f64; 2] = [\n"}},
      {RuleFormat::js,
       false,
       &jacobi,
       {"// Gauss-Jacobi rule of order 2 on [0.0, 1.0], written by",
        "(1 + x)^beta with alpha = 0.5 and beta = -0.5.\n",
        "// On [a, b] it integrates f(t) w(x(t))", "const w_jacobi2 = [\n"}},
      {RuleFormat::matlab, false, &kronrod, {"g_kronrod1 = [\n"}},
      {RuleFormat::json,
       false,
       &kronrod,
       {"{\n  \"rule\": \"kronrod\",\n  \"order\": 1,\n  \"interval\": "
        "[-1.0, 1.0],\n",
        "  ],\n  \"gauss_weights\": [\n    0.0,\n    2.0,\n    0.0\n  ]\n}\n"}},
      {RuleFormat::json,
       false,
       &hermite,
       {"{\n  \"rule\": \"hermite-prob\",\n  \"order\": 2,\n  \"scaled\": "
        "true,\n  \"half\": false,\n"}},
  };
  for (const auto& c : cases) {
    const std::string text = rule_text(*c.table, {c.format, c.half, false});
    for (const std::string& piece : c.pieces) {
      EXPECT_NE(text.find(piece), std::string::npos)
          << "format " << static_cast<int>(c.format) << " lacks\n"
          << piece << "\nin\n"
          << text;
    }
  }
}

}  // namespace
