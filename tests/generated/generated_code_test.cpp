// The generated code as a user meets it: zemta's output cut into its three
// texts as zemta_generate() cuts it (cmake/zemta_split_output.cmake, the one
// definition of the cut), compiled with gcc, clang, g++ and gfortran with
// warnings as errors, linked to small drivers (drive_*.h, check.h) and run. The
// drivers integrate x^k for every k the rule must get exactly, and a few smooth
// functions, and fail when an error exceeds the allowance explained in
// check.h.
//
// To keep the compilers busy rather than starting them over and over, a
// batch of orders goes through each compiler in one file: the C texts (each
// with its own includes and typedef, which C11 and C++ allow to repeat) are
// included one after another, the FORTRAN texts are concatenated, and so
// are the raw lists, each led by its typedef of DBL. The names never clash, as
// every one carries its order (GQn, An, Wn).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "quadrature/coefficients.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using zemta::testing::ProcessResult;
using zemta::testing::run_process;
using zemta::testing::run_shell;

constexpr int kMinOrder = zemta::min_order;
constexpr int kMaxOrder = zemta::max_order;
constexpr int kFullBatches = ZEMTA_FULL_BATCHES;

const std::string c_flags = "-std=c11 -pedantic -Wall -Wextra -Werror -O2";
const std::string cxx_flags =
    "-x c++ -std=c++17 -pedantic -Wall -Wextra -Werror -O2";
// Without -fdefault-real-8 the constants, written without a D exponent,
// would be read as single precision.
const std::string fortran_flags = "-fdefault-real-8 -Wall -Wextra -Werror -O2";

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string quoted(const fs::path& path) { return quoted(path.string()); }

std::string read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void write_file(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  if (!file.flush()) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

// How many comma-separated numbers the initializer starting at `from` has,
// up to its closing "};".
int count_numbers(const std::string& text, std::size_t from) {
  const std::size_t end = text.find("};", from);
  if (end == std::string::npos) {
    return -1;
  }
  int count = 1;
  for (std::size_t i = from; i < end; ++i) {
    count += text[i] == ',' ? 1 : 0;
  }
  return count;
}

struct Parts {
  std::string c;
  std::string fortran;
  std::string raw;
};

// Runs zemta n through cmake/zemta_split_output.cmake, which writes its
// three texts to <stem>.c, <stem>.f and <stem>.raw, and checks them: the C
// function up to the line "  }" that closes it, the FORTRAN function from
// its FUNCTION line through RETURN and END, and the raw list, led by the
// typedef that zemta_generate() puts before it, exactly the arrays An and
// Wn to the end of the output.
::testing::AssertionResult split_output(int n, const fs::path& stem,
                                        Parts& parts) {
  const std::string order = std::to_string(n);
  const ProcessResult split = run_process(
      {ZEMTA_CMAKE, std::string("-DZEMTA_EXECUTABLE=") + ZEMTA_EXE,
       "-DORDER=" + order, "-DC_FILE=" + stem.string() + ".c",
       "-DFORTRAN_FILE=" + stem.string() + ".f",
       "-DRAW_FILE=" + stem.string() + ".raw", "-P", ZEMTA_SPLIT_SCRIPT});
  if (split.exit_status != 0) {
    return ::testing::AssertionFailure()
           << "order " << n << ": zemta_split_output.cmake failed:\n"
           << split.out << split.err;
  }
  parts.c = read_file(stem.string() + ".c");
  parts.fortran = read_file(stem.string() + ".f");
  parts.raw = read_file(stem.string() + ".raw");

  const std::string c_head =
      "#include <float.h>\n#include <math.h>\ntypedef long double DBL;\n\n"
      "DBL GQ" +
      order + "(DBL F(DBL),DBL A,DBL B)";
  if (parts.c.compare(0, c_head.size(), c_head) != 0) {
    return ::testing::AssertionFailure()
           << "order " << n << ": the C text does not start with\n"
           << c_head;
  }
  if (parts.c.find("\n  }\n") + 5 != parts.c.size()) {
    return ::testing::AssertionFailure()
           << "order " << n
           << ": the C text does not end at the line \"  }\" that closes "
              "the function";
  }

  const std::string f_head = "      FUNCTION GQ" + order + "(F,A,B)\n";
  const std::string f_tail = "\n      RETURN\n      END\n";
  if (parts.fortran.compare(0, f_head.size(), f_head) != 0 ||
      parts.fortran.size() < f_tail.size() ||
      parts.fortran.compare(parts.fortran.size() - f_tail.size(), f_tail.size(),
                            f_tail) != 0) {
    return ::testing::AssertionFailure()
           << "order " << n << ": the FORTRAN text does not run from the line\n"
           << f_head << "to RETURN and END";
  }
  std::istringstream lines(parts.fortran);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() > 72) {
      return ::testing::AssertionFailure()
             << "order " << n << ": FORTRAN line beyond column 72:\n"
             << line;
    }
  }

  const std::string a_head =
      "typedef long double DBL;\n\nDBL A" + order + "[" + order + "]={";
  const std::string w_head = "};\n\nDBL W" + order + "[" + order + "]={";
  const std::size_t w_at = parts.raw.find(w_head);
  if (parts.raw.compare(0, a_head.size(), a_head) != 0 ||
      w_at == std::string::npos || parts.raw.size() < 4 ||
      parts.raw.compare(parts.raw.size() - 4, 4, "};\n\n") != 0 ||
      parts.raw.find("};", w_at + 2) != parts.raw.size() - 4) {
    return ::testing::AssertionFailure()
           << "order " << n
           << ": the raw text is not exactly the typedef and the arrays A" << n
           << " and W" << n << " ending in \"};\\n\\n\":\n"
           << parts.raw.substr(0, 200) << "\n...\n"
           << parts.raw.substr(parts.raw.size() > 200 ? parts.raw.size() - 200
                                                      : 0);
  }
  const int nodes = count_numbers(parts.raw, a_head.size());
  const int weights = count_numbers(parts.raw, w_at + w_head.size());
  if (nodes != n || weights != n) {
    return ::testing::AssertionFailure()
           << "order " << n << ": " << nodes << " nodes and " << weights
           << " weights in the raw list";
  }
  return ::testing::AssertionSuccess();
}

// A batch of orders: zemta's output for each, cut into its texts, in a
// directory of its own, with the generated files that compile them together.
class Batch {
 public:
  explicit Batch(std::vector<int> orders) : orders_(std::move(orders)) {
    std::string pattern =
        (fs::temp_directory_path() / "zemta-generated-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    dir_ = pattern;
  }

  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  ~Batch() {
    if (keep_) {
      std::printf("generated files kept in %s\n", dir_.c_str());
    } else {
      std::error_code ignored;
      fs::remove_all(dir_, ignored);
    }
  }

  // Cuts zemta's output for every order into its texts and writes the
  // batch files.
  ::testing::AssertionResult generate() {
    std::string for_each = "#define FOR_EACH_ORDER(X)";
    std::string c_batch;
    std::string fortran_batch;
    std::string raw_batch;
    for (const int n : orders_) {
      const std::string stem = "gq" + std::to_string(n);
      Parts parts;
      if (auto split = split_output(n, dir_ / stem, parts); !split) {
        return split;
      }
      for_each += " X(" + std::to_string(n) + ")";
      c_batch += "#include \"" + stem + ".c\"\n";
      fortran_batch += parts.fortran;
      raw_batch += "#include \"" + stem + ".raw\"\n";
    }
    for_each += "\n";
    write_file(dir_ / "c_batch.c",
               c_batch + for_each + "#include \"drive_c.h\"\n");
    write_file(dir_ / "fortran_parts.f", fortran_batch);
    write_file(dir_ / "fortran_batch.c",
               for_each + "#include \"drive_fortran.h\"\n");
    write_file(dir_ / "raw_batch.c",
               raw_batch + for_each + "#include \"drive_raw.h\"\n");
    return ::testing::AssertionSuccess();
  }

  [[nodiscard]] const std::vector<int>& orders() const { return orders_; }
  [[nodiscard]] const fs::path& dir() const { return dir_; }

  // Runs the shell command (in the batch directory), then the program it
  // built; both must succeed. The driver's report of its worst errors is
  // printed.
  ::testing::AssertionResult build_and_run(const std::string& label,
                                           const std::string& build,
                                           const std::string& program) {
    const ProcessResult built =
        run_shell("cd " + quoted(dir_) + " && " + build);
    if (built.exit_status != 0) {
      keep_ = true;
      return ::testing::AssertionFailure() << label << ": building failed:\n"
                                           << build << "\n"
                                           << built.out;
    }
    const ProcessResult ran = run_process({(dir_ / program).string(), label});
    std::printf("%s", ran.out.c_str());
    if (ran.exit_status != 0) {
      keep_ = true;
      return ::testing::AssertionFailure()
             << label << ": the driver reports errors out of allowance:\n"
             << ran.out << ran.err;
    }
    return ::testing::AssertionSuccess();
  }

  // The drivers' headers, and the highest order they must hold.
  [[nodiscard]] static std::string includes() {
    return "-I. -I" + quoted(std::string(ZEMTA_GENERATED_SOURCE_DIR)) +
           " -DMAX_ORDER=" + std::to_string(kMaxOrder);
  }

  ::testing::AssertionResult c_with(const std::string& compiler,
                                    const std::string& label) {
    return build_and_run(label,
                         quoted(compiler) + " " + c_flags + " " + includes() +
                             " c_batch.c -o c_" + label + " -lm",
                         "c_" + label);
  }

  ::testing::AssertionResult cxx_with(const std::string& compiler,
                                      const std::string& label) {
    return build_and_run(label,
                         quoted(compiler) + " " + cxx_flags + " " + includes() +
                             " c_batch.c -o c_" + label,
                         "c_" + label);
  }

  ::testing::AssertionResult fortran() {
    const std::string fc = quoted(std::string(ZEMTA_GFORTRAN));
    const std::string cc = quoted(std::string(ZEMTA_GCC));
    return build_and_run(
        "gfortran",
        fc + " " + fortran_flags +
            " -c fortran_parts.f -o fortran_parts.o && " + cc + " " + c_flags +
            " " + includes() + " -c fortran_batch.c -o fortran_batch.o && " +
            fc + " fortran_batch.o fortran_parts.o -o fortran_batch -lm",
        "fortran_batch");
  }

  ::testing::AssertionResult raw() {
    return build_and_run("raw-list",
                         quoted(std::string(ZEMTA_GCC)) + " " + c_flags + " " +
                             includes() + " raw_batch.c -o raw_batch -lm",
                         "raw_batch");
  }

  void keep() { keep_ = true; }

 private:
  std::vector<int> orders_;
  fs::path dir_;
  bool keep_ = false;
};

// The orders of the default suite: the two that use scalars (2, 3), the
// first ones that use arrays, odd and even, and larger ones up to the
// highest order.
const std::vector<int> default_orders = {2,   3,   4,   5,   6,   7,  8,
                                         9,   10,  11,  16,  20,  31, 64,
                                         100, 101, 255, 500, 998, 999};

class GeneratedCode : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    batch_ = new Batch(default_orders);
    generated_ = batch_->generate();
  }

  static void TearDownTestSuite() {
    if (!::testing::UnitTest::GetInstance()->Passed()) {
      batch_->keep();
    }
    delete batch_;
    batch_ = nullptr;
  }

  void SetUp() override { ASSERT_TRUE(generated_); }

  static Batch* batch_;
  static ::testing::AssertionResult generated_;
};

Batch* GeneratedCode::batch_ = nullptr;
::testing::AssertionResult GeneratedCode::generated_ =
    ::testing::AssertionFailure();

TEST_F(GeneratedCode, OutputSplitsIntoThreeCompleteTexts) {
  // SetUp has cut every order's output: C function, FORTRAN function and a
  // raw list that ends the output with "};\n\n".
  SUCCEED();
}

TEST_F(GeneratedCode, CFunctionsWithGcc) {
  EXPECT_TRUE(batch_->c_with(ZEMTA_GCC, "gcc"));
}

TEST_F(GeneratedCode, CFunctionsWithClang) {
  EXPECT_TRUE(batch_->c_with(ZEMTA_CLANG, "clang"));
}

TEST_F(GeneratedCode, CFunctionsAsCxxWithGxx) {
  EXPECT_TRUE(batch_->cxx_with(ZEMTA_GXX, "gxx"));
}

TEST_F(GeneratedCode, FortranFunctions) { EXPECT_TRUE(batch_->fortran()); }

TEST_F(GeneratedCode, RawLists) { EXPECT_TRUE(batch_->raw()); }

// Each C text on its own is a complete translation unit, in strict C89 and
// C++98 as well as the modern standards the batches use.
TEST_F(GeneratedCode, EachCTextCompilesAloneAsC89AndCxx98) {
  for (const int n : batch_->orders()) {
    const std::string file = "gq" + std::to_string(n) + ".c";
    std::string command = "cd " + quoted(batch_->dir());
    command += " && " + quoted(std::string(ZEMTA_GCC));
    command += " -std=c89 -pedantic -Wall -Wextra -Werror -fsyntax-only ";
    command += file;
    command += " && " + quoted(std::string(ZEMTA_GXX));
    command += " -x c++ -std=c++98 -pedantic -Wall -Wextra -Werror";
    command += " -fsyntax-only " + file;
    const ProcessResult c89 = run_shell(command);
    EXPECT_EQ(c89.exit_status, 0) << "order " << n << ":\n" << c89.out;
  }
}

// Orders kMinOrder..kMaxOrder cut into kFullBatches runs of roughly equal
// work: compiling grows with n, running with n^2 (2n powers, n nodes each).
std::vector<int> full_batch(int index) {
  auto work = [](int n) { return double(n) * n + 2000.0 * n; };
  double total = 0;
  for (int n = kMinOrder; n <= kMaxOrder; ++n) {
    total += work(n);
  }
  std::vector<int> orders;
  double before = 0;
  for (int n = kMinOrder; n <= kMaxOrder; ++n) {
    const int batch = std::min(
        kFullBatches - 1, int((before + work(n) / 2) / total * kFullBatches));
    if (batch == index) {
      orders.push_back(n);
    }
    before += work(n);
  }
  return orders;
}

class FullSweep : public ::testing::TestWithParam<int> {};

TEST_P(FullSweep, EveryPartOfEveryOrder) {
  Batch batch(full_batch(GetParam()));
  ASSERT_FALSE(batch.orders().empty());
  std::printf("orders %d to %d\n", batch.orders().front(),
              batch.orders().back());
  ASSERT_TRUE(batch.generate());
  EXPECT_TRUE(batch.c_with(ZEMTA_GCC, "gcc"));
  EXPECT_TRUE(batch.c_with(ZEMTA_CLANG, "clang"));
  EXPECT_TRUE(batch.cxx_with(ZEMTA_GXX, "gxx"));
  EXPECT_TRUE(batch.fortran());
  EXPECT_TRUE(batch.raw());
  if (HasFailure()) {
    batch.keep();
  }
}

INSTANTIATE_TEST_SUITE_P(AllOrders, FullSweep,
                         ::testing::Range(0, kFullBatches));

TEST(FullSweepBatches, CoverEveryOrderOnce) {
  std::vector<int> all;
  for (int i = 0; i < kFullBatches; ++i) {
    const std::vector<int> batch = full_batch(i);
    EXPECT_FALSE(batch.empty()) << "batch " << i;
    all.insert(all.end(), batch.begin(), batch.end());
  }
  ASSERT_EQ(all.size(), std::size_t(kMaxOrder - kMinOrder + 1));
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i], kMinOrder + int(i));
  }
}

}  // namespace
