// The program's two ways of stopping on an error, and the texts they write.
// usage_exit and fatal_exit write their text to stderr and end the process
// with status 1 through the normal exit path, which flushes every stream;
// write_usage and write_fatal write the same texts to the stream given.
#pragma once

#include <cstdio>

namespace zemta {

// Fatal error codes.
inline constexpr long error_alloc_abscissas = 460;
inline constexpr long error_alloc_weights = 463;
inline constexpr long error_write_output = 470;
inline constexpr long error_search_stalled = 480;

// The usage text with "Error: <message>" as its last line.
void write_usage(std::FILE* diag, const char* message);

// "\nFatal Error Code <code>\n", the message, "\n".
void write_fatal(std::FILE* diag, long code, const char* message);

[[noreturn]] void usage_exit(const char* message);
[[noreturn]] void fatal_exit(long code, const char* message);

}  // namespace zemta
