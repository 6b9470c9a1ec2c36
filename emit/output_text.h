#pragma once

// Used by the emitters only: puts the pieces of an output text into a
// TextSink.
//
// The output's deliberate quirks. Each of these looks like a mistake and
// lies in the bytes that tests/lock holds: users' tools and diffs rely on
// them, so none may be "fixed".
//  - "qaudrature", so spelled, in the comment of the C function and in the
//    comment line of the FORTRAN function (emit_c_source in c_source.cpp,
//    emit_fortran_source in fortran_source.cpp).
//  - From order 5 on, an array's first value follows a lead-in, eight
//    spaces in C and fifteen in a FORTRAN DATA statement; order 4 has none
//    (put_array_values below, for c_source.cpp put_array and
//    fortran_source.cpp put_data).
//  - The FORTRAN constants have no D exponent: a standard compiler reads
//    them as default (single precision) reals, so the FORTRAN function
//    wants -fdefault-real-8 or its equivalent (put_data, through
//    put_value_rows below).
//  - Every coefficient is 17 significant digits padded with zeros to 19
//    decimal places, and one below 0.001 is rounded twice
//    (format_coefficient.h).
//  - The C text declares DBL as long double but its constants carry only
//    a double's 17 digits and no L suffix, and it includes <float.h> and
//    <math.h> though it uses neither (c_source.cpp, emit_c_source).
//  - The raw list opens with an empty line, uses DBL without declaring it,
//    and ends in an empty line after the weights alone
//    (raw_list.cpp, put_list).
// One more looks like a mistake but lies in the code, not in the bytes, so
// the lock cannot see it: the C function's comment,
// "      /* <n>-pt Gauss qaudrature */", six spaces after the parameter
// list, is put in pieces that split both comment markers ("/" then "* ",
// "*" then "/\n"); the bytes are those of the comment put whole
// (c_source.cpp, emit_c_source).

#include <charconv>
#include <cstdio>
#include <string_view>

#include "emit/format_coefficient.h"
#include "emit/text_sink.h"

namespace zemta::detail {

class OutputText {
 public:
  explicit OutputText(TextSink& sink) noexcept : sink_(sink) {}

  void put(std::string_view piece) noexcept { sink_.put(piece); }

  // An integer in decimal, as "%i" writes it.
  void put(int number) noexcept {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    put(std::string_view(digits,
                         static_cast<std::size_t>(result.ptr - digits)));
  }

  // A coefficient in its fixed 21-character form.
  void put_coefficient(double value) noexcept {
    const auto text = format_coefficient(value);
    put(std::string_view(text.data(), text.size()));
  }

  // The body of an array initialiser shared by the C and FORTRAN texts:
  // the values separated by ",", with line_break after the second value and
  // after every third one from there on, and closing after the last. So
  // the first line holds two values and every further line three.
  void put_value_rows(const double* values, int count,
                      std::string_view line_break,
                      std::string_view closing) noexcept {
    for (int i = 0; i < count; ++i) {
      put_coefficient(values[i]);
      if (i == count - 1) {
        put(closing);
      } else {
        put(",");
        if ((i + 2) % 3 == 0) {
          put(line_break);
        }
      }
    }
  }

  // An array's values after its opening: lead_in, left out at order 4
  // (one of the quirks above), then the rows of put_value_rows.
  void put_array_values(int n, std::string_view lead_in, const double* values,
                        int count, std::string_view line_break,
                        std::string_view closing) noexcept {
    if (n != 4) {
      put(lead_in);
    }
    put_value_rows(values, count, line_break, closing);
  }

  [[nodiscard]] bool ok() const noexcept { return sink_.ok(); }

 private:
  TextSink& sink_;
};

// Announces a text on the diagnostic stream. Its success does not count
// towards the emitter's result, which reports the output stream alone.
inline void announce(std::FILE* diag, const char* line) noexcept {
  std::fputs(line, diag);
}

}  // namespace zemta::detail
