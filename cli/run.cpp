#include "cli/run.h"

#include <array>
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "cli/exits.h"
#include "cli/order_argument.h"
#include "emit/all_texts.h"
#include "quadrature/coefficients.h"

// The version in the banner: project(VERSION) in CMakeLists.txt, which the
// build passes in (the zemta_version target).
#ifndef ZEMTA_VERSION
#error "ZEMTA_VERSION must be defined by the build"
#endif

namespace zemta {

namespace {

constexpr const char* version = ZEMTA_VERSION;

constexpr std::size_t digit_count(int number) {
  std::size_t digits = 1;
  for (; number >= 10; number /= 10) {
    ++digits;
  }
  return digits;
}

// text followed by Number in decimal, built at compile time, so that the
// messages about the range name min_order and max_order themselves.
template <int Number, std::size_t Length>
constexpr auto ending_in(const char (&text)[Length]) {
  static_assert(Number >= 0);
  std::array<char, Length + digit_count(Number)> message{};
  for (std::size_t i = 0; i + 1 < Length; ++i) {
    message[i] = text[i];
  }
  int rest = Number;
  for (std::size_t i = message.size() - 2; i + 1 >= Length; --i) {
    message[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  return message;
}

constexpr auto order_too_low = ending_in<min_order>("order must be at least ");
constexpr auto order_too_high = ending_in<max_order>("order must not exceed ");

RunOutcome usage_error(const char* message) {
  return {RunOutcome::Kind::usage_error, 0, message};
}

RunOutcome fatal_error(long code, const char* message) {
  return {RunOutcome::Kind::fatal_error, code, message};
}

struct FreeDeleter {
  void operator()(double* p) const { std::free(p); }
};
using Table = std::unique_ptr<double[], FreeDeleter>;

Table allocate_table(TableAllocator allocate, int entries) {
  return Table(static_cast<double*>(
      allocate(static_cast<std::size_t>(entries), sizeof(double))));
}

}  // namespace

RunOutcome run(int argc, const char* const* argv, std::FILE* out,
               std::FILE* diag, TableAllocator allocate,
               CoefficientComputation compute) {
  std::fprintf(diag, "ZEMTA/V%s: Gauss Quadrature Integration Coefficients\n",
               version);
  std::fputs("by the zemta developers; the generated code is yours to use\n",
             diag);

  if (argc == 1) {
    return usage_error("no parameters");
  }
  if (argc != 2) {
    return usage_error("wrong number of parameters");
  }
  const OrderReading reading = read_order(argv[1]);
  if (!reading.converted) {
    return usage_error("scan error on parameter 1: order");
  }
  const int order = reading.value;
  if (order < min_order) {
    return usage_error(order_too_low.data());
  }
  if (order > max_order) {
    return usage_error(order_too_high.data());
  }

  const Table abscissas = allocate_table(allocate, half_count(order));
  if (!abscissas) {
    return fatal_error(error_alloc_abscissas, "can't allocate memory");
  }
  const Table weights = allocate_table(allocate, half_count(order));
  if (!weights) {
    return fatal_error(error_alloc_weights, "can't allocate memory");
  }

  if (compute(order, abscissas.get(), weights.get(), diag) == search_stalled) {
    return fatal_error(error_search_stalled, "root search made no progress");
  }

  // A failed write is reported once, after all three texts.
  const bool written =
      emit_all_texts(order, abscissas.get(), weights.get(), out, diag);
  if (std::fflush(out) != 0 || std::ferror(out) != 0 || !written) {
    return fatal_error(error_write_output, "can't write output");
  }
  return {};
}

}  // namespace zemta
