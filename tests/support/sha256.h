// SHA-256 of a byte string, as the hexadecimal text sha256sum prints.
#pragma once

#include <string>
#include <string_view>

namespace zemta::testing {

// The 64 lower-case hexadecimal digits of the SHA-256 digest of bytes.
std::string sha256_hex(std::string_view bytes);

}  // namespace zemta::testing
