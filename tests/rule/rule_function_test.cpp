// The C function of --format c-function (rule/emit/rule_function.h) for
// every family, from small rules made here: nodes in closed form, weights
// solved from the weight function's moments in long double. Each function
// is compiled by gcc as C89 and as C99 and by clang as C89, with warnings
// as errors, and run on x^k for every k up to the rule's degree of
// exactness: the result must be the exact moment within a few roundings
// of the sum. Kronrod's error must be that of a rule exact to 2n - 1: a
// few roundings up to that degree, |K - G| of the same values above it.
// The function's name is checked too, since users call it by name.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "rule/emit/rule_formats.h"
#include "support/process.h"
#include "support/scratch_test.h"

namespace {

using zemta::RuleFamily;

using Real = long double;
const Real pi = 3.141592653589793238462643383279502884L;

// (k - 1)!! / k!! for even k, the ratio in the Chebyshev and Hermite
// moments.
Real double_factorial(int k) {
  Real product = 1;
  for (int i = k; i > 1; i -= 2) {
    product *= static_cast<Real>(i);
  }
  return product;
}

// The integral of x^k times the family's weight over its interval, in
// closed form (laguerre and jacobi for the whole alpha and beta used here).
Real moment(RuleFamily family, int k, int alpha, int beta) {
  const bool odd = k % 2 != 0;
  switch (family) {
    case RuleFamily::chebyshev1:
      return odd ? 0 : pi * double_factorial(k - 1) / double_factorial(k);
    case RuleFamily::chebyshev2:
      return odd ? 0 : pi * double_factorial(k - 1) / double_factorial(k + 2);
    case RuleFamily::hermite:
      return odd ? 0
                 : std::sqrt(pi) * double_factorial(k - 1) /
                       std::pow(2.0L, static_cast<Real>(k) / 2);
    case RuleFamily::hermite_prob:
      return odd ? 0 : std::sqrt(2 * pi) * double_factorial(k - 1);
    case RuleFamily::laguerre: {
      Real factorial = 1;
      for (int i = 2; i <= k + alpha; ++i) {
        factorial *= static_cast<Real>(i);
      }
      return factorial;
    }
    case RuleFamily::jacobi: {  // (1 - x)^alpha (1 + x)^beta, expanded
      Real sum = 0;
      Real a_choose = 1;
      for (int i = 0; i <= alpha; ++i) {
        Real b_choose = 1;
        for (int j = 0; j <= beta; ++j) {
          const int p = k + i + j;
          const Real sign = (i % 2 != 0) ? -1 : 1;
          sum += sign * a_choose * b_choose *
                 (p % 2 != 0 ? 0 : 2.0L / static_cast<Real>(p + 1));
          b_choose =
              b_choose * static_cast<Real>(beta - j) / static_cast<Real>(j + 1);
        }
        a_choose =
            a_choose * static_cast<Real>(alpha - i) / static_cast<Real>(i + 1);
      }
      return sum;
    }
    default:  // the weight 1 on [-1, 1]
      return odd ? 0 : 2.0L / static_cast<Real>(k + 1);
  }
}

// The weights that make the nodes integrate x^0 .. x^(count-1) exactly:
// the transposed Vandermonde system, by elimination with pivoting.
std::vector<Real> weights_for(const std::vector<Real>& x, RuleFamily family,
                              int alpha, int beta) {
  const std::size_t count = x.size();
  std::vector<std::vector<Real>> rows(count, std::vector<Real>(count + 1));
  for (std::size_t k = 0; k < count; ++k) {
    for (std::size_t i = 0; i < count; ++i) {
      rows[k][i] = std::pow(x[i], static_cast<Real>(k));
    }
    rows[k][count] = moment(family, static_cast<int>(k), alpha, beta);
  }
  for (std::size_t c = 0; c < count; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < count; ++r) {
      if (std::fabs(rows[r][c]) > std::fabs(rows[pivot][c])) {
        pivot = r;
      }
    }
    std::swap(rows[c], rows[pivot]);
    for (std::size_t r = 0; r < count; ++r) {
      if (r != c) {
        const Real factor = rows[r][c] / rows[c][c];
        for (std::size_t j = c; j <= count; ++j) {
          rows[r][j] -= factor * rows[c][j];
        }
      }
    }
  }
  std::vector<Real> w(count);
  for (std::size_t i = 0; i < count; ++i) {
    w[i] = rows[i][count] / rows[i][i];
  }
  return w;
}

struct Case {
  RuleFamily family;
  int n;
  int alpha;
  int beta;
  bool scaled;
  bool half;
  const char* name;         // the function's
  int degree;               // of exactness
  std::vector<Real> nodes;  // ascending
  std::vector<bool> gauss;  // kronrod: which nodes are the Gauss rule's
};

const Real r3 = std::sqrt(3.0L);
const Real r6 = std::sqrt(6.0L);

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {RuleFamily::legendre,
       2,
       0,
       0,
       false,
       false,
       "gauss_legendre2",
       3,
       {-1 / r3, 1 / r3},
       {}},
      {RuleFamily::lobatto,
       4,
       0,
       0,
       false,
       true,
       "gauss_lobatto4",
       5,
       {-1, -1 / std::sqrt(5.0L), 1 / std::sqrt(5.0L), 1},
       {}},
      {RuleFamily::radau,
       3,
       0,
       0,
       false,
       false,
       "gauss_radau3",
       4,
       {-1, (1 - r6) / 5, (1 + r6) / 5},
       {}},
      {RuleFamily::radau_right,
       3,
       0,
       0,
       false,
       false,
       "gauss_radau_right3",
       4,
       {-(1 + r6) / 5, -(1 - r6) / 5, 1},
       {}},
      {RuleFamily::kronrod,
       1,
       0,
       0,
       false,
       true,
       "kronrod1",
       5,
       {-std::sqrt(0.6L), 0, std::sqrt(0.6L)},
       {false, true, false}},
      {RuleFamily::kronrod,
       2,
       0,
       0,
       false,
       false,
       "kronrod2",
       7,
       {-std::sqrt(6 / 7.0L), -1 / r3, 0, 1 / r3, std::sqrt(6 / 7.0L)},
       {false, true, false, true, false}},
      {RuleFamily::kronrod,
       2,
       0,
       0,
       false,
       true,
       "kronrod2",
       7,
       {-std::sqrt(6 / 7.0L), -1 / r3, 0, 1 / r3, std::sqrt(6 / 7.0L)},
       {false, true, false, true, false}},
      {RuleFamily::chebyshev1,
       4,
       0,
       0,
       false,
       true,
       "gauss_chebyshev1_4",
       7,
       {std::cos(7 * pi / 8), std::cos(5 * pi / 8), std::cos(3 * pi / 8),
        std::cos(pi / 8)},
       {}},
      {RuleFamily::chebyshev2,
       3,
       0,
       0,
       false,
       false,
       "gauss_chebyshev2_3",
       5,
       {-std::sqrt(0.5L), 0, std::sqrt(0.5L)},
       {}},
      {RuleFamily::hermite,
       3,
       0,
       0,
       false,
       true,
       "gauss_hermite3",
       5,
       {-std::sqrt(1.5L), 0, std::sqrt(1.5L)},
       {}},
      {RuleFamily::hermite,
       3,
       0,
       0,
       true,
       false,
       "gauss_hermite3",
       5,
       {-std::sqrt(1.5L), 0, std::sqrt(1.5L)},
       {}},
      {RuleFamily::hermite_prob,
       3,
       0,
       0,
       true,
       true,
       "gauss_hermite_prob3",
       5,
       {-r3, 0, r3},
       {}},
      {RuleFamily::laguerre,
       2,
       0,
       0,
       false,
       false,
       "gauss_laguerre2",
       3,
       {2 - std::sqrt(2.0L), 2 + std::sqrt(2.0L)},
       {}},
      {RuleFamily::laguerre,
       2,
       1,
       0,
       true,
       false,
       "gauss_laguerre2",
       3,
       {3 - r3, 3 + r3},
       {}},
      {RuleFamily::jacobi,
       2,
       1,
       0,
       false,
       false,
       "gauss_jacobi2",
       3,
       {(-1 - r6) / 5, (-1 + r6) / 5},
       {}},
  };
  return all;
}

// What the driver multiplies x^k by, so that a scaled rule's sum is the
// same moment.
const char* weighting(const Case& c) {
  if (!c.scaled) {
    return "1.0";
  }
  switch (c.family) {
    case RuleFamily::hermite:
      return "exp(-x * x)";
    case RuleFamily::hermite_prob:
      return "exp(-x * x / 2)";
    default:
      return "exp(-x)";
  }
}

// The rule in doubles, with its long double sums of x^k.
struct Made {
  std::vector<double> x;
  std::vector<double> w;
  std::vector<double> g;  // kronrod's Gauss weights, 0 off the Gauss nodes
};

Made make(const Case& c) {
  Made made;
  const std::vector<Real> w = weights_for(c.nodes, c.family, c.alpha, c.beta);
  std::vector<Real> gauss_nodes;
  for (std::size_t i = 0; i < c.gauss.size(); ++i) {
    if (c.gauss[i]) {
      gauss_nodes.push_back(c.nodes[i]);
    }
  }
  const std::vector<Real> g =
      weights_for(gauss_nodes, c.family, c.alpha, c.beta);
  std::size_t next_gauss = 0;
  for (std::size_t i = 0; i < c.nodes.size(); ++i) {
    const Real x = c.nodes[i];
    Real scale = 1;
    if (c.scaled) {
      scale = c.family == RuleFamily::laguerre  ? std::exp(x)
              : c.family == RuleFamily::hermite ? std::exp(x * x)
                                                : std::exp(x * x / 2);
    }
    made.x.push_back(static_cast<double>(x));
    made.w.push_back(static_cast<double>(w[i] * scale));
    const bool in_gauss = i < c.gauss.size() && c.gauss[i];
    made.g.push_back(in_gauss ? static_cast<double>(g[next_gauss++]) : 0.0);
  }
  return made;
}

std::string function_text(const Case& c, const Made& made) {
  zemta::RuleTable table;
  table.n = c.n;
  table.nodes = made.x.data();
  table.weights = made.w.data();
  table.family = c.family;
  table.alpha = c.alpha;
  table.beta = c.beta;
  table.scaled = c.scaled;
  table.gauss_weights = made.g.data();
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  EXPECT_TRUE(zemta::write_rule(
      file, table, {zemta::RuleFormat::c_function, c.half, false}));
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

// The pattern with '@' replaced by id, '$' by name and '~' by weight.
std::string fill(std::string_view pattern, const std::string& id,
                 std::string_view name, std::string_view weight) {
  std::string text;
  for (const char c : pattern) {
    if (c == '@') {
      text += id;
    } else if (c == '$') {
      text += name;
    } else if (c == '~') {
      text += weight;
    } else {
      text += c;
    }
  }
  return text;
}

class RuleFunction : public zemta::testing::ScratchTest {
 protected:
  RuleFunction() : ScratchTest("zemta-rule-function-") {}
};

TEST_F(RuleFunction, EveryFamilyCompiledAsC89AndC99AndRun) {
  const std::vector<Case>& all = cases();
  std::vector<Made> made;
  std::string driver =
      "#include <math.h>\n#include <stdio.h>\n"
      "static int power;\n";
  std::string body = "int main(void) {\n  double sum, error, again;\n";
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Case& c = all[i];
    made.push_back(make(c));
    const std::string text = function_text(c, made.back());
    const std::string id = std::to_string(i);
    const bool kronrod = c.family == RuleFamily::kronrod;
    EXPECT_NE(text.find(std::string("\ndouble ") + c.name +
                        (kronrod ? "(double (*f)(double), double *error)\n{\n"
                                 : "(double (*f)(double))\n{\n")),
              std::string::npos)
        << text;
    std::ofstream(dir_ / ("rule" + id + ".c"), std::ios::binary) << text;
    // Each function under a name of its own, so that a rule and its half
    // table go in one program; Kronrod's sum, its error and the sum again
    // with a null error each in a statement of its own, for printf's
    // arguments come in no set order.
    driver += fill(
        "static double f@(double x) { return pow(x, power) * ~; }\n"
        "#define $ rule@\n#include \"rule@.c\"\n#undef $\n",
        id, c.name, weighting(c));
    body += "  for (power = 0; power <= ";
    body += std::to_string(c.degree);
    body += "; ++power) {\n";
    body += fill(kronrod ? "    sum = rule@(f@, &error);\n"
                           "    again = rule@(f@, 0);\n"
                           "    printf(\"@ %d %.17g %.17g %.17g\\n\", power, "
                           "sum, error, again);\n"
                         : "    printf(\"@ %d %.17g\\n\", power, rule@(f@));\n",
                 id, c.name, "");
    body += "  }\n";
  }
  std::ofstream(dir_ / "driver.c", std::ios::binary)
      << driver << body << "  return 0;\n}\n";

  for (const std::string compiler :
       {"gcc -std=c89", "gcc -std=c99", "clang -std=c89"}) {
    std::string command = "cd '" + dir_.string() + "' && ";
    command += compiler;
    command += " -pedantic -Wall -Wextra -Werror driver.c -o driver -lm";
    command += " && ./driver";
    const auto result = zemta::testing::run_shell(command);
    ASSERT_EQ(result.exit_status, 0) << compiler << "\n" << result.out;
    std::map<std::size_t, int> seen;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      std::size_t i = 0;
      int k = 0;
      std::string value_text;
      std::string error_text;
      ASSERT_TRUE(fields >> i >> k >> value_text) << line;
      ASSERT_LT(i, all.size()) << line;
      const Case& c = all[i];
      const Made& m = made[i];
      ASSERT_EQ(k, seen[i]++) << line;
      // The moment in long double from the doubles written, and a few
      // roundings of the terms' magnitudes.
      Real kronrod_sum = 0;
      Real gauss_sum = 0;
      Real magnitude = 0;
      for (std::size_t j = 0; j < m.x.size(); ++j) {
        const auto x = static_cast<Real>(m.x[j]);
        const auto w = static_cast<Real>(m.w[j]);
        const auto g = static_cast<Real>(m.g[j]);
        Real term = std::pow(x, static_cast<Real>(k));
        if (c.scaled) {
          term *= c.family == RuleFamily::laguerre  ? std::exp(-x)
                  : c.family == RuleFamily::hermite ? std::exp(-x * x)
                                                    : std::exp(-x * x / 2);
        }
        kronrod_sum += w * term;
        gauss_sum += g * term;
        magnitude += std::fabs(w * term) + std::fabs(g * term);
      }
      const Real allowance = 16 * static_cast<Real>(DBL_EPSILON) * magnitude;
      const Real value = std::strtold(value_text.c_str(), nullptr);
      const Real exact = moment(c.family, k, c.alpha, c.beta);
      EXPECT_LE(std::fabs(value - exact), allowance)
          << compiler << ": " << c.name << (c.half ? " half" : "") << ", x^"
          << k << ": " << value_text;
      if (c.family == RuleFamily::kronrod) {
        std::string unchecked_text;
        ASSERT_TRUE(fields >> error_text >> unchecked_text) << line;
        const Real error = std::strtold(error_text.c_str(), nullptr);
        const Real want =
            k <= 2 * c.n - 1 ? 0 : std::fabs(kronrod_sum - gauss_sum);
        EXPECT_LE(std::fabs(error - want), allowance)
            << compiler << ": " << c.name << (c.half ? " half" : "")
            << " error, x^" << k << ": " << error_text;
        // Above 2n - 1 the estimate must be there, not a rounding.
        if (k > 2 * c.n - 1 && want > 1000 * allowance) {
          EXPECT_GT(error, want / 2) << c.name << ", x^" << k;
        }
        EXPECT_EQ(unchecked_text, value_text) << "with a null error";
      }
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(seen[i], all[i].degree + 1) << all[i].name;
    }
  }
}

}  // namespace
