// Capturing what code writes to a FILE*, and showing doubles exactly.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zemta::testing {

// A stream that writes into memory; text() is everything written so far.
class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&data_, &size_)) {}
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  ~MemoryStream() {
    if (file_ != nullptr) {
      std::fclose(file_);
    }
    std::free(data_);
  }
  [[nodiscard]] std::FILE* file() const { return file_; }
  [[nodiscard]] std::string text() const {
    std::fflush(file_);
    return {data_, size_};
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

// A double as a hexadecimal float: every bit shown, nothing rounded.
inline std::string hex(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%a", x);
  return text;
}

}  // namespace zemta::testing
