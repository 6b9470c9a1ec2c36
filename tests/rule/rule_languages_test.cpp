// zemta-rule's formats as their users meet them: the text of orders 2, 7,
// 20 and 999 (and 33 in Fortran, whose layout it once broke) loaded,
// compiled or run by the language's own tool, with a
// small driver that integrates x^k for every k from 0 to 2n-1 with the rule
// and prints the results. Each result must be the exact integral within
// the allowance of tests/generated/check.h for a rule summed in double
// (its TOLERANCE(n) plus the FORTRAN driver's SUM_ROUNDING), which a wrong,
// missing or misread value exceeds. Julia is not packaged in Debian, so its
// format is checked only by the lock.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/process.h"
#include "support/scratch_test.h"

namespace {

namespace fs = std::filesystem;
using zemta::testing::run_process;
using zemta::testing::run_shell;

const std::vector<int> orders = {2, 7, 20, 999};
const std::vector<int> fortran_orders = {2, 7, 20, 33, 999};

// The pattern with every '@' replaced by the order n.
std::string fill(std::string_view pattern, int n) {
  std::string text;
  for (const char c : pattern) {
    if (c == '@') {
      text += std::to_string(n);
    } else {
      text += c;
    }
  }
  return text;
}

struct Interval {
  double a = -1;
  double b = 1;
};

// The exact integral of x^k over [a, b] for the intervals used here, and
// the allowance of check.h: (TOLERANCE(n) + SUM_ROUNDING sqrt(n)) eps M
// with M = integral |x^k| + (b - a)/2 integral |k x^(k-1)|.
struct Expected {
  double value;
  double allowance;
};

Expected expected(int n, int k, Interval on) {
  const double tolerance = 3.0 + 0.2 * std::sqrt(n) + 0.25 * std::sqrt(n);
  double exact = 0;
  double magnitude = 0;
  double slope = 0;
  if (on.a == -1 && on.b == 1) {
    exact = k % 2 == 0 ? 2.0 / (k + 1) : 0.0;
    magnitude = 2.0 / (k + 1);
    slope = k > 0 ? 2.0 : 0.0;
  } else {  // [0, 1]
    exact = 1.0 / (k + 1);
    magnitude = exact;
    slope = k > 0 ? 0.5 : 0.0;
  }
  return {exact, tolerance * DBL_EPSILON * (magnitude + slope)};
}

class RuleLanguages : public zemta::testing::ScratchTest {
 protected:
  RuleLanguages() : ScratchTest("zemta-rule-") {}

  // zemta-rule's text for order n with the options, in <dir>/<name>.
  fs::path rule_file(int n, const std::vector<std::string>& options,
                     const std::string& name) {
    std::vector<std::string> argv = {ZEMTA_RULE_EXE, std::to_string(n)};
    argv.insert(argv.end(), options.begin(), options.end());
    const auto result = run_process(argv);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << result.out;
    return path;
  }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  // Runs the command in the directory; its output is lines "n k value",
  // checked for every order and every k from 0 to 2n-1.
  void run_and_check(const std::string& command, Interval on = {},
                     const std::vector<int>& checked = orders) {
    run_and_check(command, on, checked, [](int n) { return 2 * n - 1; });
  }

  // The same, with k up to the rule's degree of exactness instead.
  template <class Exactness>
  void run_and_check(const std::string& command, Interval on,
                     const std::vector<int>& checked, Exactness exactness) {
    const auto result = run_shell("cd '" + dir_.string() + "' && " + command);
    ASSERT_EQ(result.exit_status, 0) << command << "\n" << result.out;
    std::map<int, int> seen;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      int n = 0;
      int k = 0;
      std::string value_text;
      ASSERT_TRUE(fields >> n >> k >> value_text) << "stray line: " << line;
      ASSERT_EQ(k, seen[n]) << "order " << n;
      ++seen[n];
      const double value = std::strtod(value_text.c_str(), nullptr);
      const Expected want = expected(n, k, on);
      EXPECT_LE(std::fabs(value - want.value), want.allowance)
          << "order " << n << ", x^" << k << ": " << value_text;
    }
    for (const int n : checked) {
      EXPECT_EQ(seen[n], exactness(n) + 1) << "order " << n << "\n"
                                           << result.out;
    }
  }

  // The C driver for the tables x<n>, w<n> of the orders, included from
  // the files; with half, each table holds the nodes at or above 0 and the
  // others are their mirror images.
  static std::string c_driver(const std::vector<std::string>& files,
                              bool half) {
    std::string text = "#include <math.h>\n#include <stdio.h>\n";
    for (const auto& file : files) {
      text += "#include \"" + file + "\"\n";
    }
    text +=
        "static void integrate(int n, int count, const double* x,\n"
        "                      const double* w, int half) {\n"
        "  for (int k = 0; k < 2 * n; ++k) {\n"
        "    double sum = 0;\n"
        "    for (int i = 0; i < count; ++i) {\n"
        "      double f = pow(x[i], k);\n"
        "      if (half && x[i] != 0) f += pow(-x[i], k);\n"
        "      sum += w[i] * f;\n"
        "    }\n"
        "    printf(\"%d %d %.17g\\n\", n, k, sum);\n"
        "  }\n"
        "}\n"
        "int main(void) {\n";
    for (const int n : orders) {
      text += fill(
          half
              ? "  integrate(@, (int)(sizeof x@ / sizeof x@[0]), x@, w@, 1);\n"
              : "  integrate(@, (int)(sizeof x@ / sizeof x@[0]), x@, w@, 0);\n",
          n);
    }
    return text + "  return 0;\n}\n";
  }

  // C as C99 with gcc and, when asked, as C++17 with g++, both with
  // warnings as errors.
  void check_c(const std::vector<std::string>& options, bool half, Interval on,
               bool also_cxx) {
    std::vector<std::string> files;
    for (const int n : orders) {
      files.push_back("rule" + std::to_string(n) + ".h");
      rule_file(n, options, files.back());
    }
    write("driver.c", c_driver(files, half));
    const std::string warnings = " -pedantic -Wall -Wextra -Werror -O2 ";
    run_and_check(
        "gcc -std=c99" + warnings + "driver.c -o driver -lm && ./driver", on);
    if (also_cxx) {
      run_and_check("g++ -x c++ -std=c++17" + warnings +
                        "driver.c -o driver_cxx && ./driver_cxx",
                    on);
    }
  }

  // Python with NumPy: the files imported as modules rule<n>.
  void check_numpy(const std::vector<std::string>& options) {
    std::string driver = "import numpy as np\n";
    for (const int n : orders) {
      const std::string s = std::to_string(n);
      rule_file(n, options, "rule" + s + ".py");
      driver += "import rule" + s + "\n";
      driver += "for k in range(" + std::to_string(2 * n) + "):\n";
      driver += fill("    v = float(np.sum(rule@.w@ * rule@.x@ ** k))\n", n);
      driver += "    print(" + s + ", k, repr(v))\n";
    }
    write("driver.py", driver);
    run_and_check("/usr/bin/python3 -E -s driver.py");
  }
};

TEST_F(RuleLanguages, CsvReadByPythonsCsvModule) {
  // Decimal numbers go through float(), hex floats through float.fromhex.
  std::string driver = "import csv\n";
  for (const bool hex : {false, true}) {
    for (const int n : orders) {
      const std::string s = std::to_string(n);
      const std::string file = "rule" + s + (hex ? "h" : "") + ".csv";
      rule_file(
          n,
          hex ? std::vector<std::string>{"--hex"} : std::vector<std::string>{},
          file);
      driver += "with open('" + file + "', newline='') as f:\n";
      driver += "    rows = list(csv.reader(f))\n";
      driver += "assert rows[0] == ['node', 'weight']\n";
      driver +=
          std::string("read = ") + (hex ? "float.fromhex" : "float") + "\n";
      driver += "xs = [read(r[0]) for r in rows[1:]]\n";
      driver += "ws = [read(r[1]) for r in rows[1:]]\n";
      driver += "for k in range(" + std::to_string(2 * n) + "):\n";
      driver += "    print(" + s +
                ", k, repr(sum(w * x ** k for x, w in zip(xs, ws))))\n";
    }
    write("driver.py", driver);
    run_and_check("/usr/bin/python3 -E -s driver.py");
    driver = "import csv\n";
  }
}

TEST_F(RuleLanguages, CCompiledByGcc) {
  check_c({"--format", "c"}, false, {}, false);
}

TEST_F(RuleLanguages, CHexCompiledByGccAndGxx) {
  check_c({"--format", "c", "--hex"}, false, {}, true);
}

TEST_F(RuleLanguages, CHalfTableMirrored) {
  check_c({"--format", "c", "--half"}, true, {}, false);
}

TEST_F(RuleLanguages, COnAnInterval) {
  check_c({"--format", "c", "--interval", "0", "1"}, false, {0, 1}, false);
}

// --format c-function: each function compiled as C89 and C99 by gcc and
// as C89 by clang, warnings as errors, and called on x^k up to its degree
// of exactness. A family whose weight is 1 on the interval is one more line
// of the table.
TEST_F(RuleLanguages, CFunctionCompiledAsC89AndC99) {
  const struct {
    std::vector<std::string> options;
    Interval on;
    const char* function;  // the name before the order
    int (*exactness)(int n);
  } cases[] = {
      {{}, {}, "gauss_legendre", [](int n) { return 2 * n - 1; }},
      {{"--half"}, {}, "gauss_legendre", [](int n) { return 2 * n - 1; }},
      {{"--interval", "0", "1"},
       {0, 1},
       "gauss_legendre",
       [](int n) { return 2 * n - 1; }},
      {{"--interval", "0", "1", "--half"},
       {0, 1},
       "gauss_legendre",
       [](int n) { return 2 * n - 1; }},
  };
  for (const auto& c : cases) {
    std::string driver =
        "#include <math.h>\n#include <stdio.h>\n"
        "static int power;\n"
        "static double monomial(double x) { return pow(x, power); }\n";
    std::string body = "int main(void) {\n";
    for (const int n : orders) {
      std::vector<std::string> options = {"--format", "c-function"};
      options.insert(options.end(), c.options.begin(), c.options.end());
      const std::string file = "rule" + std::to_string(n) + ".c";
      rule_file(n, options, file);
      driver += "#include \"" + file + "\"\n";
      body += "  for (power = 0; power <= " + std::to_string(c.exactness(n)) +
              "; ++power) {\n";
      body += fill(R"(    printf("@ %d %.17g\n", power, )", n) + c.function +
              fill("@(monomial));\n  }\n", n);
    }
    write("driver.c", driver + body + "  return 0;\n}\n");
    for (const char* compiler :
         {"gcc -std=c89", "gcc -std=c99", "clang -std=c89"}) {
      SCOPED_TRACE(std::string(compiler) + " " +
                   ::testing::PrintToString(c.options));
      run_and_check(std::string(compiler) +
                        " -pedantic -Wall -Wextra -Werror driver.c -o driver "
                        "-lm && ./driver",
                    c.on, orders, c.exactness);
    }
  }
}

TEST_F(RuleLanguages, NumpyRunByPython) { check_numpy({"--format", "numpy"}); }

TEST_F(RuleLanguages, NumpyHexRunByPython) {
  check_numpy({"--format", "numpy", "--hex"});
}

TEST_F(RuleLanguages, FortranCompiledByGfortran) {
  // Standard Fortran 2008, so also no more than 255 continuation lines.
  std::string text;
  std::string program = "program driver\n";
  for (const int n : fortran_orders) {
    program += "  use gauss_legendre_" + std::to_string(n) + "\n";
  }
  program +=
      "  use, intrinsic :: iso_fortran_env, only: real64\n"
      "  implicit none\n";
  for (const int n : fortran_orders) {
    const std::string s = std::to_string(n);
    const fs::path file = rule_file(n, {"--format", "fortran"}, "r" + s);
    std::ifstream in(file);
    text += std::string(std::istreambuf_iterator<char>(in), {});
    program += fill("  call integrate(@, x@, w@)\n", n);
  }
  program +=
      "contains\n"
      "  subroutine integrate(n, x, w)\n"
      "    integer, intent(in) :: n\n"
      "    real(real64), intent(in) :: x(:), w(:)\n"
      "    integer :: k\n"
      "    do k = 0, 2 * n - 1\n"
      "      write (*, '(i0, 1x, i0, 1x, es25.17e3)') n, k, sum(w * x**k)\n"
      "    end do\n"
      "  end subroutine integrate\n"
      "end program driver\n";
  write("driver.f90", text + program);
  // A table too long for one statement, in pieces; compiled on its own,
  // its values too small to integrate x^k.
  rule_file(999, {"--format", "fortran", "--interval", "1e-300", "3e-300"},
            "pieces.f90");
  run_and_check(
      "gfortran -std=f2008 -Wall -Wextra -Werror -c pieces.f90 && "
      "gfortran -std=f2008 -Wall -Wextra -Werror -O2 driver.f90 -o driver "
      "&& ./driver",
      {}, fortran_orders);
}

TEST_F(RuleLanguages, CppCompiledByGxxAndClangxx) {
  // Full and half tables, decimal and hex, in one program; a static_assert
  // on a constexpr sum of the weights proves them constant expressions.
  std::string driver =
      "#include <cmath>\n#include <cstdio>\n#include <cstddef>\n";
  std::string body;
  for (const int n : orders) {
    const std::string s = std::to_string(n);
    rule_file(n, {"--format", "cpp", n % 2 == 0 ? "--hex" : "--half"},
              "r" + s + ".hpp");
    driver += "#include \"r" + s + ".hpp\"\n";
    body += fill(n % 2 == 0 ? "  integrate(@, gauss_legendre::x@, "
                              "gauss_legendre::w@, false);\n"
                            : "  integrate(@, gauss_legendre::x@, "
                              "gauss_legendre::w@, true);\n",
                 n);
  }
  driver +=
      "template <class A>\n"
      "constexpr double total(const A& w) {\n"
      "  double sum = 0;\n"
      "  for (const double v : w) sum += v;\n"
      "  return sum;\n"
      "}\n"
      "static_assert(gauss_legendre::x999.size() == 500, \"\");\n"
      "static_assert(total(gauss_legendre::w20) > 1.99 &&\n"
      "              total(gauss_legendre::w20) < 2.01, \"\");\n"
      "template <class A>\n"
      "void integrate(int n, const A& x, const A& w, bool half) {\n"
      "  for (int k = 0; k < 2 * n; ++k) {\n"
      "    double sum = 0;\n"
      "    for (std::size_t i = 0; i < x.size(); ++i) {\n"
      "      double f = std::pow(x[i], k);\n"
      "      if (half && x[i] != 0) f += std::pow(-x[i], k);\n"
      "      sum += w[i] * f;\n"
      "    }\n"
      "    std::printf(\"%d %d %.17g\\n\", n, k, sum);\n"
      "  }\n"
      "}\n"
      "int main() {\n" +
      body + "  return 0;\n}\n";
  write("driver.cpp", driver);
  const std::string warnings =
      " -std=c++17 -pedantic -Wall -Wextra -Wmissing-braces -Werror -O2 ";
  run_and_check("g++" + warnings + "driver.cpp -o driver && ./driver");
  run_and_check("clang++" + warnings + "driver.cpp -o driver && ./driver");
}

TEST_F(RuleLanguages, RustCompiledByRustc) {
  std::string text;
  std::string main = "fn main() {\n";
  for (const int n : orders) {
    const std::string s = std::to_string(n);
    std::ifstream in(rule_file(n, {"--format", "rust"}, "r" + s));
    text += std::string(std::istreambuf_iterator<char>(in), {});
    main += fill("    integrate(@, &X@, &W@);\n", n);
  }
  main +=
      "}\n"
      "fn integrate(n: i32, x: &[f64], w: &[f64]) {\n"
      "    for k in 0..2 * n {\n"
      "        let sum: f64 = x.iter().zip(w).map(|(x, w)| w * "
      "x.powi(k)).sum();\n"
      "        println!(\"{} {} {:?}\", n, k, sum);\n"
      "    }\n"
      "}\n";
  write("driver.rs", text + main);
  run_and_check("rustc -D warnings -O driver.rs -o driver && ./driver");
}

TEST_F(RuleLanguages, JsRunByNode) {
  std::string text;
  std::string main;
  for (const int n : orders) {
    const std::string s = std::to_string(n);
    std::ifstream in(rule_file(n, {"--format", "js"}, "r" + s));
    text += std::string(std::istreambuf_iterator<char>(in), {});
    main += fill("integrate(@, x@, w@);\n", n);
  }
  main +=
      "function integrate(n, x, w) {\n"
      "  for (let k = 0; k < 2 * n; ++k) {\n"
      "    let sum = 0;\n"
      "    for (let i = 0; i < x.length; ++i) sum += w[i] * x[i] ** k;\n"
      "    console.log(n, k, String(sum));\n"
      "  }\n"
      "}\n";
  write("driver.js", "'use strict';\n" + text + main);
  run_and_check("node driver.js");
}

TEST_F(RuleLanguages, JsonParsedByNode) {
  std::string main = "'use strict';\nconst fs = require('fs');\n";
  for (const int n : orders) {
    const std::string s = std::to_string(n);
    rule_file(n, {"--format", "json"}, "r" + s + ".json");
    main +=
        "integrate(JSON.parse(fs.readFileSync('r" + s + ".json', 'utf8')));\n";
  }
  main +=
      "function integrate(rule) {\n"
      "  const n = rule.order, x = rule.nodes, w = rule.weights;\n"
      "  if (x.length !== n || w.length !== n || rule.half) throw rule;\n"
      "  for (let k = 0; k < 2 * n; ++k) {\n"
      "    let sum = 0;\n"
      "    for (let i = 0; i < n; ++i) sum += w[i] * x[i] ** k;\n"
      "    console.log(n, k, String(sum));\n"
      "  }\n"
      "}\n";
  write("driver.js", main);
  run_and_check("node driver.js");
}

TEST_F(RuleLanguages, MatlabRunByOctave) {
  std::string main;
  for (const int n : orders) {
    const std::string s = std::to_string(n);
    rule_file(n, {"--format", "matlab"}, "rule" + s + ".m");
    main += "rule" + s + ";\n";
    main += "for k = 0:" + std::to_string(2 * n - 1) + "\n";
    main += fill("  printf('%d %d %.17g\\n', @, k, w@' * (x@ .^ k));\n", n);
    main += "end\n";
  }
  write("driver.m", main);
  // Octave 7 ends a script run without a display with the line "error:
  // ignoring const execution_exception& while preparing to exit" on
  // standard error and status 0; its standard error is shown only when it
  // fails.
  run_and_check(
      "{ octave --no-gui --no-window-system --quiet --norc driver.m "
      "2>octave.err || { cat octave.err; false; }; }");
}

}  // namespace
