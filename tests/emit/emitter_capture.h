#pragma once

// Runs an emitter on memory streams and hands back what it wrote.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "emit/text_sink.h"
#include "support/memory_stream.h"

namespace zemta::capture {

using testing::MemoryStream;

using Emitter = bool (*)(int, const double*, const double*, TextSink&,
                         std::FILE*);

// The emitter's text written to out through a sink of its own, flushed at
// the end: true when every write succeeded.
inline bool emit_to(std::FILE* out, Emitter emitter, int n,
                    const double* abscissas, const double* weights,
                    std::FILE* diag) {
  char buffer[4096];
  TextSink sink(out, buffer, sizeof buffer);
  emitter(n, abscissas, weights, sink, diag);
  return sink.flush();
}

struct Table {
  std::vector<double> abscissas;
  std::vector<double> weights;
};

// A strictly ascending table of the right shape for order n, in [0, 1) with
// abscissas[0] == 0 for odd n. The emitters do not care that these are not
// the roots of P_n.
inline Table synthetic_table(int n) {
  const int half_count = (n + 1) / 2;
  const int shift = n % 2 == 0 ? 1 : 0;
  Table table;
  for (int i = 0; i < half_count; ++i) {
    table.abscissas.push_back(static_cast<double>(i + shift) /
                              static_cast<double>(half_count + shift));
    table.weights.push_back(1.0 / static_cast<double>(i + 2));
  }
  return table;
}

// Tables for the byte-for-byte texts: order 2 with the double nearest
// 1/sqrt(3), order 5 with values whose texts are easy to write by hand.
inline Table order2_table() { return {{0x1.279a74590331cp-1}, {1.0}}; }
inline Table order5_table() { return {{0.0, 0.25, 0.75}, {0.5, 0.5, 0.25}}; }

struct Emitted {
  std::string out;
  std::string diag;
  bool ok = false;
};

inline Emitted emit(Emitter emitter, int n, const Table& table) {
  MemoryStream out;
  MemoryStream diag;
  Emitted result;
  result.ok = emit_to(out.file(), emitter, n, table.abscissas.data(),
                      table.weights.data(), diag.file());
  result.out = out.text();
  result.diag = diag.text();
  return result;
}

inline Emitted emit(Emitter emitter, int n) {
  return emit(emitter, n, synthetic_table(n));
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    result.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) {
    result.push_back(text.substr(start));
  }
  return result;
}

inline bool contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

}  // namespace zemta::capture
