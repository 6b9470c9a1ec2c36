#pragma once

// Used by the emitters only: writes the pieces of an output text to a
// stream and remembers whether every write succeeded.

#include <charconv>
#include <cstdio>
#include <string_view>

#include "emit/format_coefficient.h"

namespace zemta::detail {

class OutputText {
 public:
  explicit OutputText(std::FILE* out) noexcept : out_(out) {}

  // Each write's own result is checked: the stream's error flag is sticky
  // and may already be set by an earlier text. After the first failure
  // nothing more is written.
  void put(std::string_view piece) noexcept {
    if (ok_ && !piece.empty()) {
      ok_ = std::fwrite(piece.data(), 1, piece.size(), out_) == piece.size();
    }
  }

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

  [[nodiscard]] bool ok() const noexcept { return ok_; }

 private:
  std::FILE* out_;
  bool ok_ = true;
};

// Announces a text on the diagnostic stream. Its success does not count
// towards the emitter's result, which reports the output stream alone.
inline void announce(std::FILE* diag, const char* line) noexcept {
  std::fputs(line, diag);
}

}  // namespace zemta::detail
