// Any bytes as the order argument: read_order must not crash and must agree
// with the slow reference reader.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "cli/order_argument.h"
#include "reference_order.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zemta::OrderReading got = zemta::read_order(text);
  const zemta::fuzz::ReferenceReading want =
      zemta::fuzz::reference_read_order(text);
  if (got.converted != want.converted ||
      (want.converted && got.value != want.value)) {
    std::fprintf(
        stderr,
        "read_order: got converted=%d value=%d, want converted=%d value=%d\n",
        static_cast<int>(got.converted), got.value,
        static_cast<int>(want.converted), want.value);
    std::abort();
  }
  return 0;
}
