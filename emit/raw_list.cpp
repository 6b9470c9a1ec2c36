#include "emit/raw_list.h"

#include <cfloat>
#include <charconv>
#include <limits>
#include <string_view>

#include "emit/output_text.h"

// The mapped values must be the ones double arithmetic gives, rounded once
// per operation.
static_assert(std::numeric_limits<double>::is_iec559);
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "double expressions must be evaluated in double"
#endif

namespace zemta {

namespace {

// The header with its leading newline and the padding spaces fill this
// many characters, so every first value starts in column 25.
constexpr std::size_t padded_header_length = 25;

enum class Half { nodes, weights };

// Position j of the list on [0, 1] and the stored entry q it comes from:
// the left half mirrors the stored nodes from the largest down, the right
// half runs through them upward, and an odd order's middle node is 0.
double list_value(Half half, int n, int j, const double* abscissas,
                  const double* weights) {
  const int h = n / 2;
  const int k = n % 2;
  if (2 * j + 1 == n) {
    return half == Half::nodes ? 0.5 : weights[0] / 2;
  }
  if (j < h) {
    const int q = h + k - j - 1;
    return half == Half::nodes ? (1 - abscissas[q]) / 2 : weights[q] / 2;
  }
  const int q = j - h;
  return half == Half::nodes ? (abscissas[q] + 1) / 2 : weights[q] / 2;
}

void put_list(detail::OutputText& text, Half half, int n,
              const double* abscissas, const double* weights) {
  char digits[12];
  const std::string_view n_text(
      digits,
      static_cast<std::size_t>(
          std::to_chars(digits, digits + sizeof digits, n).ptr - digits));
  const std::string_view opening = half == Half::nodes ? "\nDBL A" : "\nDBL W";
  text.put(opening);
  text.put(n_text);
  text.put("[");
  text.put(n_text);
  text.put("]={");
  // The header's length: "[" and "]={" are four characters.
  const std::size_t header_length = opening.size() + 2 * n_text.size() + 4;
  for (std::size_t column = header_length; column < padded_header_length;
       ++column) {
    text.put(" ");
  }

  for (int j = 0; j < n; ++j) {
    if (j % 3 == 2) {
      text.put("\n  ");
    }
    text.put_coefficient(list_value(half, n, j, abscissas, weights));
    if (j < n - 1) {
      text.put(",");
    } else {
      text.put(half == Half::nodes ? "};\n" : "};\n\n");
    }
  }
}

}  // namespace

bool emit_raw_list(int n, const double* abscissas, const double* weights,
                   TextSink& out, std::FILE* diag) {
  detail::announce(diag, "generating list of raw coefficients\n");
  detail::OutputText text(out);
  put_list(text, Half::nodes, n, abscissas, weights);
  put_list(text, Half::weights, n, abscissas, weights);
  return text.ok();
}

}  // namespace zemta
