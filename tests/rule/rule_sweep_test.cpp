// Every table zemta-rule writes, for every order from 2 to 999, read by
// its language's own tool: compiled by gcc, g++, clang++, gfortran and
// rustc, run by python3 (NumPy, csv, json), node and octave. Each driver
// prints every value it read, with enough digits to name the double
// ("<tag> <n> <nodes> <weights>" a table), and each must be bit for bit
// the value correctly_rounded_rule gives for that table: a misread, lost
// or extra value anywhere fails, where an integral would let a small one
// pass. Julia is not packaged in Debian, so its format is checked only by
// the lock. The tables are written in process by write_rule, the function
// zemta-rule calls (its argument reading is tested by the lock and by
// rule_languages_test). Labelled "full": each language is a test of its
// own (tests/rule/CMakeLists.txt).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quadrature/coefficients.h"
#include "rule/emit/rule_formats.h"
#include "rule/quadrature/correctly_rounded.h"
#include "support/process.h"
#include "support/scratch_test.h"

namespace {

namespace fs = std::filesystem;
using zemta::RuleFormat;
using zemta::testing::run_shell;

// One kind of table, named by a one-letter tag in the files and the
// drivers' lines.
struct Variant {
  char tag;
  bool on_interval;
  double a;
  double b;
  bool half;
  bool hex;
};

constexpr Variant full = {'f', false, -1, 1, false, false};
constexpr Variant half = {'h', false, -1, 1, true, false};
// The values with the most characters: 17 digits and a three-digit
// exponent, so also the Fortran tables that need pieces.
constexpr Variant wide = {'w', true, 1e-300, 3e-300, false, false};
constexpr Variant hex = {'x', false, -1, 1, false, true};
// For Fortran's limits: more intervals where most values take 17 digits.
constexpr Variant wide_half = {'v', true, 1e-300, 3e-300, true, false};
constexpr Variant shifted = {'s', true, -3, 7.5, false, false};
constexpr Variant positive = {'p', true, 0, 10, false, false};

const std::vector<Variant> decimal_variants = {full, half, wide};
const std::vector<Variant> all_variants = {full, half, wide, hex};

// The pattern with every '@' replaced by the order n and every '$' by the
// variant's tag.
std::string fill(std::string_view pattern, int n, char tag) {
  std::string text;
  for (const char c : pattern) {
    if (c == '@') {
      text += std::to_string(n);
    } else if (c == '$') {
      text += tag;
    } else {
      text += c;
    }
  }
  return text;
}

// Joins a command to the ones before it with "&&".
void then(std::string& command, std::string_view next) {
  if (!command.empty()) {
    command += " && ";
  }
  command += next;
}

// The tags of the variants, as a Python or JavaScript string.
std::string tags(const std::vector<Variant>& variants) {
  std::string text = "'";
  for (const Variant& v : variants) {
    text += v.tag;
  }
  return text + "'";
}

class RuleSweep : public zemta::testing::ScratchTest {
 protected:
  RuleSweep() : ScratchTest("zemta-rule-sweep-") {}

  // Writes the table of every order in the format as "<tag><n><suffix>"
  // and remembers what each must read back as: the nodes, then the
  // weights, of the direct call. Returns the file names.
  std::vector<std::string> write_tables(RuleFormat format, const Variant& v,
                                        const std::string& suffix) {
    std::vector<std::string> names;
    std::vector<double> nodes(zemta::max_order);
    std::vector<double> weights(zemta::max_order);
    for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
      const int got =
          v.on_interval
              ? zemta::correctly_rounded_rule(n, v.a, v.b, nodes.data(),
                                              weights.data())
              : zemta::correctly_rounded_rule(n, nodes.data(), weights.data());
      EXPECT_EQ(got, n);
      const int count = v.half ? zemta::half_count(n) : n;
      std::vector<double>& values = expected_[{v.tag, n}];
      values.assign(nodes.begin() + n - count, nodes.begin() + n);
      values.insert(values.end(), weights.begin() + n - count,
                    weights.begin() + n);
      const zemta::RuleTable table = {
          n, nodes.data(), weights.data(), v.on_interval, v.a, v.b};
      names.push_back(std::string(1, v.tag) + std::to_string(n) + suffix);
      std::FILE* file = std::fopen((dir_ / names.back()).c_str(), "wb");
      EXPECT_NE(file, nullptr) << names.back();
      EXPECT_TRUE(zemta::write_rule(file, table, {format, v.half, v.hex}));
      EXPECT_EQ(std::fclose(file), 0);
    }
    return names;
  }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  // Runs the command in the directory; its output must be one line
  // "<tag> <n> <values>" for every order of every variant written, times
  // over (once for each compiler of the same text).
  void run_and_compare(const std::string& command, int times = 1) {
    const auto result = run_shell("cd '" + dir_.string() + "' && " + command);
    ASSERT_EQ(result.exit_status, 0) << command << "\n"
                                     << result.out.substr(0, 4000);
    std::map<std::pair<char, int>, int> seen;
    std::size_t start = 0;
    const std::string& out = result.out;
    while (start < out.size()) {
      std::size_t end = out.find('\n', start);
      if (end == std::string::npos) {
        end = out.size();
      }
      const std::string line = out.substr(start, end - start);
      start = end + 1;
      char* at = nullptr;
      const char tag = line.empty() ? '?' : line[0];
      const long n = std::strtol(line.c_str() + 1, &at, 10);
      const auto found = expected_.find({tag, static_cast<int>(n)});
      ASSERT_NE(found, expected_.end())
          << "stray line: " << line.substr(0, 200);
      ++seen[found->first];
      const std::vector<double>& want = found->second;
      for (std::size_t i = 0; i < want.size(); ++i) {
        char* next = nullptr;
        const double got = std::strtod(at, &next);
        ASSERT_NE(next, at) << tag << n << ": " << want.size()
                            << " values wanted, " << i << " read";
        at = next;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(got),
                  std::bit_cast<std::uint64_t>(want[i]))
            << tag << n << ", value " << i << ": read " << got << " ("
            << std::hexfloat << got << "), want " << want[i];
      }
      while (*at == ' ' || *at == '\r') {
        ++at;
      }
      ASSERT_EQ(*at, '\0') << tag << n << ": values beyond " << want.size();
    }
    for (const auto& [key, values] : expected_) {
      EXPECT_EQ(seen[key], times) << key.first << key.second;
    }
  }

  // C and C++: one translation unit per variant including every table,
  // each printed by show().
  void check_c_family(RuleFormat format, const std::vector<Variant>& variants,
                      const std::vector<std::string>& compilers) {
    const bool cpp = format == RuleFormat::cpp;
    std::string command;
    for (const Variant& v : variants) {
      const std::string tag(1, v.tag);
      std::string driver =
          cpp ? "#include <array>\n#include <cstddef>\n#include <cstdio>\n"
              : "#include <stdio.h>\n";
      for (const std::string& name :
           write_tables(format, v, cpp ? ".hpp" : ".h")) {
        driver += "#include \"" + name + "\"\n";
      }
      driver +=
          cpp ? "template <std::size_t N>\n"
                "void show(int n, const std::array<double, N>& x,\n"
                "          const std::array<double, N>& w) {\n"
                "  std::printf(\"" +
                    tag +
                    " %d\", n);\n"
                    "  for (const double v : x) std::printf(\" %.17g\", v);\n"
                    "  for (const double v : w) std::printf(\" %.17g\", v);\n"
                    "  std::printf(\"\\n\");\n"
                    "}\n"
                    "int main() {\n"
              : "static void show(int n, int count, const double* x,\n"
                "                 const double* w) {\n"
                "  printf(\"" +
                    tag +
                    " %d\", n);\n"
                    "  for (int i = 0; i < count; ++i) printf(\" %.17g\", "
                    "x[i]);\n"
                    "  for (int i = 0; i < count; ++i) printf(\" %.17g\", "
                    "w[i]);\n"
                    "  printf(\"\\n\");\n"
                    "}\n"
                    "int main(void) {\n";
      for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
        driver +=
            fill(cpp ? "  show(@, gauss_legendre::x@, gauss_legendre::w@);\n"
                     : "  show(@, (int)(sizeof x@ / sizeof x@[0]), x@, w@);\n",
                 n, v.tag);
      }
      driver += "  return 0;\n}\n";
      const std::string source = "driver_" + tag + (cpp ? ".cpp" : ".c");
      write(source, driver);
      for (const std::string& compiler : compilers) {
        then(command, compiler);
        command +=
            fill(" -pedantic -Wall -Wextra -Werror -O0 driver_$", 0, v.tag);
        command += fill(cpp ? ".cpp -o driver_$ && ./driver_$"
                            : ".c -o driver_$ && ./driver_$",
                        0, v.tag);
      }
    }
    run_and_compare(command, static_cast<int>(compilers.size()));
  }

  // Fortran: one file per variant, every module and a program that uses
  // them all, for one gfortran call each.
  void check_fortran(const std::vector<Variant>& variants) {
    std::string command;
    for (const Variant& v : variants) {
      const std::string tag(1, v.tag);
      std::string text;
      for (const std::string& name :
           write_tables(RuleFormat::fortran, v, ".f90")) {
        std::ifstream in(dir_ / name);
        text += std::string(std::istreambuf_iterator<char>(in), {});
      }
      text += "program driver\n";
      for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
        text += "  use gauss_legendre_" + std::to_string(n) + "\n";
      }
      text += "  implicit none\n";
      for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
        text += fill(
            "  write (*, '(a, 1x, i0, *(1x, es24.16e3))') '$', @, x@, w@\n", n,
            v.tag);
      }
      text += "end program driver\n";
      write("driver_" + tag + ".f90", text);
      then(command, fill("gfortran -std=f2008 -Wall -Wextra -Werror -O0 "
                         "driver_$.f90 -o driver_$ && ./driver_$",
                         0, v.tag));
    }
    run_and_compare(command);
  }

  std::map<std::pair<char, int>, std::vector<double>> expected_;
};

TEST_F(RuleSweep, CByGcc) {
  check_c_family(RuleFormat::c, all_variants, {"gcc -std=c99"});
}

TEST_F(RuleSweep, CppByGxx) {
  check_c_family(RuleFormat::cpp, all_variants, {"g++ -std=c++17"});
}

TEST_F(RuleSweep, CppByClangxx) {
  // The full table in both number forms; the half and interval tables
  // differ from it only in their values, which g++ reads.
  check_c_family(RuleFormat::cpp, {full, hex}, {"clang++ -std=c++17"});
}

TEST_F(RuleSweep, FortranByGfortran) { check_fortran({full, half, wide}); }

TEST_F(RuleSweep, FortranOnIntervalsCompiledByGfortran) {
  // The modules alone, where most values take 17 digits, for the limits of
  // free-form Fortran 2008 (their values are read back by
  // RuleFortran.EveryTableWithinTheLimits where split).
  std::string command;
  for (const Variant& v : {wide_half, shifted, positive}) {
    std::string text;
    for (const std::string& name :
         write_tables(RuleFormat::fortran, v, ".f90")) {
      std::ifstream in(dir_ / name);
      text += std::string(std::istreambuf_iterator<char>(in), {});
    }
    const std::string file = std::string("modules_") + v.tag + ".f90";
    write(file, text);
    then(command, "gfortran -std=f2008 -Wall -Wextra -Werror -c " + file);
  }
  const auto result = run_shell("cd '" + dir_.string() + "' && " + command);
  EXPECT_EQ(result.exit_status, 0) << result.out.substr(0, 4000);
  EXPECT_EQ(result.out, "");
}

TEST_F(RuleSweep, RustByRustc) {
  std::string command;
  for (const Variant& v : decimal_variants) {
    const std::string tag(1, v.tag);
    std::string text;
    for (const std::string& name : write_tables(RuleFormat::rust, v, ".rs")) {
      std::ifstream in(dir_ / name);
      text += std::string(std::istreambuf_iterator<char>(in), {});
    }
    text +=
        "fn show(n: i32, x: &[f64], w: &[f64]) {\n"
        "    let mut line = format!(\"" +
        tag +
        " {}\", n);\n"
        "    for v in x.iter().chain(w) {\n"
        "        line.push_str(&format!(\" {:?}\", v));\n"
        "    }\n"
        "    println!(\"{}\", line);\n"
        "}\n"
        "fn main() {\n";
    for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
      text += fill("    show(@, &X@, &W@);\n", n, v.tag);
    }
    text += "}\n";
    write("driver_" + tag + ".rs", text);
    then(command,
         fill("rustc -D warnings driver_$.rs -o driver_$ && ./driver_$", 0,
              v.tag));
  }
  run_and_compare(command);
}

TEST_F(RuleSweep, NumpyByPython) {
  for (const Variant& v : all_variants) {
    write_tables(RuleFormat::numpy, v, ".py");
  }
  write("driver.py",
        "import numpy as np\n"
        "lines = []\n"
        "for tag in " +
            tags(all_variants) +
            ":\n"
            "    for n in range(2, 1000):\n"
            "        name = f'{tag}{n}.py'\n"
            "        space = {}\n"
            "        with open(name) as f:\n"
            "            exec(compile(f.read(), name, 'exec'), space)\n"
            "        x, w = space[f'x{n}'], space[f'w{n}']\n"
            "        assert x.dtype == np.float64 and w.dtype == np.float64\n"
            "        values = [repr(float(v)) for v in list(x) + list(w)]\n"
            "        lines.append(f'{tag} {n} ' + ' '.join(values))\n"
            "print('\\n'.join(lines))\n");
  run_and_compare("/usr/bin/python3 -E -s driver.py");
}

TEST_F(RuleSweep, CsvByPython) {
  // Decimal numbers through float(), hex floats through float.fromhex.
  for (const Variant& v : all_variants) {
    write_tables(RuleFormat::csv, v, ".csv");
  }
  write(
      "driver.py",
      "import csv\n"
      "lines = []\n"
      "for tag in " +
          tags(all_variants) +
          ":\n"
          "    read = float.fromhex if tag == 'x' else float\n"
          "    for n in range(2, 1000):\n"
          "        with open(f'{tag}{n}.csv', newline='') as f:\n"
          "            rows = list(csv.reader(f))\n"
          "        assert rows[0] == ['node', 'weight']\n"
          "        assert all(len(r) == 2 for r in rows)\n"
          "        values = [read(r[0]) for r in rows[1:]]\n"
          "        values += [read(r[1]) for r in rows[1:]]\n"
          "        lines.append(f'{tag} {n} ' + ' '.join(map(repr, values)))\n"
          "print('\\n'.join(lines))\n");
  run_and_compare("/usr/bin/python3 -E -s driver.py");
}

TEST_F(RuleSweep, JsonByPython) {
  for (const Variant& v : decimal_variants) {
    write_tables(RuleFormat::json, v, ".json");
  }
  write(
      "driver.py",
      "import json\n"
      "lines = []\n"
      "for tag in " +
          tags(decimal_variants) +
          ":\n"
          "    for n in range(2, 1000):\n"
          "        with open(f'{tag}{n}.json') as f:\n"
          "            rule = json.load(f)\n"
          "        assert rule['order'] == n\n"
          "        assert rule['half'] == (tag == 'h')\n"
          "        assert len(rule['nodes']) == len(rule['weights'])\n"
          "        values = [float(v) for v in rule['nodes'] + "
          "rule['weights']]\n"
          "        lines.append(f'{tag} {n} ' + ' '.join(map(repr, values)))\n"
          "print('\\n'.join(lines))\n");
  run_and_compare("/usr/bin/python3 -E -s driver.py");
}

TEST_F(RuleSweep, JsByNode) {
  // Each text is a script of its own: run as the body of a function that
  // returns its two arrays. String() is the shortest text of a double but
  // writes -0 as "0", hence the test for it.
  for (const Variant& v : decimal_variants) {
    write_tables(RuleFormat::js, v, ".js");
  }
  write(
      "driver.js",
      "'use strict';\n"
      "const fs = require('fs');\n"
      "const text = (v) => (Object.is(v, -0) ? '-0' : String(v));\n"
      "const lines = [];\n"
      "for (const tag of " +
          tags(decimal_variants) +
          ") {\n"
          "  for (let n = 2; n < 1000; ++n) {\n"
          "    const source = fs.readFileSync(`${tag}${n}.js`, 'utf8');\n"
          "    const [x, w] = new Function(\n"
          "        `'use strict';\\n${source}\\nreturn [x${n}, w${n}];`)();\n"
          "    lines.push(`${tag} ${n} ` + x.concat(w).map(text).join(' '));\n"
          "  }\n"
          "}\n"
          "process.stdout.write(lines.join('\\n') + '\\n');\n");
  run_and_compare("node driver.js");
}

TEST_F(RuleSweep, MatlabByOctave) {
  std::string driver;
  for (const Variant& v : decimal_variants) {
    write_tables(RuleFormat::matlab, v, ".m");
    for (int n = zemta::min_order; n <= zemta::max_order; ++n) {
      driver += fill(
          "source('$@.m');\n"
          "printf('$ %d', @);\n"
          "printf(' %.17g', [x@; w@]);\n"
          "printf('\\n');\n",
          n, v.tag);
    }
  }
  write("driver.m", driver);
  // As in rule_languages_test: Octave 7 may end with a stray line on
  // standard error and status 0, so that is shown only on failure.
  run_and_compare(
      "{ octave --no-gui --no-window-system --quiet --norc driver.m "
      "2>octave.err || { cat octave.err; false; }; }");
}

}  // namespace
