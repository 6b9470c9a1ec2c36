#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace zemta {

// Gathers text in a buffer the caller provides and hands it to a stream a
// full buffer at a time, so that a long text costs a few writes instead of
// one per piece; pieces longer than the buffer are written in parts. With
// the stream unbuffered (setvbuf _IONBF) each of those writes goes straight
// to the system with no further copy.
//
// Each write's own result is checked: the stream's error flag is sticky and
// may already be set by an earlier text. After the first failed write
// nothing more is written.
class TextSink {
 public:
  // buffer holds capacity bytes (at least one) and outlives the sink.
  TextSink(std::FILE* out, char* buffer, std::size_t capacity) noexcept
      : out_(out), buffer_(buffer), capacity_(capacity) {}
  TextSink(const TextSink&) = delete;
  TextSink& operator=(const TextSink&) = delete;

  void put(std::string_view piece) noexcept {
    if (piece.size() <= capacity_ - used_) {
      std::memcpy(buffer_ + used_, piece.data(), piece.size());
      used_ += piece.size();
    } else {
      put_in_parts(piece);
    }
  }

  // Writes what is gathered and empties the buffer. Returns ok().
  bool flush() noexcept {
    if (ok_ && used_ > 0) {
      ok_ = std::fwrite(buffer_, 1, used_, out_) == used_;
    }
    used_ = 0;
    return ok_;
  }

  // Whether every write so far succeeded. Text still gathered is not
  // written yet: flush() tells its fate.
  [[nodiscard]] bool ok() const noexcept { return ok_; }

 private:
  void put_in_parts(std::string_view piece) noexcept {
    while (!piece.empty()) {
      if (used_ == capacity_) {
        flush();
      }
      const std::size_t part = std::min(piece.size(), capacity_ - used_);
      std::memcpy(buffer_ + used_, piece.data(), part);
      used_ += part;
      piece.remove_prefix(part);
    }
  }

  std::FILE* out_;
  char* buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  bool ok_ = true;
};

}  // namespace zemta
