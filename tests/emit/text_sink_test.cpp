// The buffer the texts go out through: its writes, however the pieces fall
// on its boundaries, and the three texts written through it together.
#include "emit/text_sink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "emit/all_texts.h"
#include "emit/c_source.h"
#include "emit/fortran_source.h"
#include "emit/raw_list.h"
#include "emitter_capture.h"

namespace zemta {
namespace {

using capture::emit;
using capture::Emitted;
using capture::synthetic_table;
using capture::Table;
using testing::MemoryStream;

// Pieces shorter than, as long as and longer than the buffer, starting at
// every offset in it: the stream gets exactly their concatenation.
TEST(TextSink, PiecesOnAnyBoundaryComeOutWhole) {
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
  MemoryStream out;
  char buffer[7];
  TextSink sink(out.file(), buffer, sizeof buffer);
  std::string expected;
  for (std::size_t length = 0; length <= 3 * sizeof buffer; ++length) {
    const std::string piece = alphabet.substr(length % 5, length);
    sink.put(piece);
    expected += piece;
  }
  EXPECT_TRUE(sink.flush());
  EXPECT_EQ(out.text(), expected);
}

// A failed write is reported, by ok() once it has happened and by every
// flush after it, and nothing is written after it.
TEST(TextSink, FailedWriteStopsTheWriting) {
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  char buffer[4];
  TextSink sink(full, buffer, sizeof buffer);
  sink.put("abc");
  EXPECT_TRUE(sink.ok());  // nothing written yet
  sink.put("defgh");       // fills the buffer: the first write fails
  EXPECT_FALSE(sink.ok());
  std::clearerr(full);
  EXPECT_FALSE(sink.flush());
  EXPECT_FALSE(std::ferror(full));  // no write was tried
  std::fclose(full);
}

// The program's output, written through one buffer over many of its
// boundaries, is the three texts one after another, each announced.
TEST(AllTexts, AreTheThreeTextsInTurn) {
  for (const int n : {2, 5, 999}) {
    const Table table = synthetic_table(n);
    std::string out;
    std::string diag;
    for (const capture::Emitter emitter :
         {capture::Emitter{emit_c_source},
          capture::Emitter{emit_fortran_source},
          capture::Emitter{emit_raw_list}}) {
      const Emitted e = emit(emitter, n, table);
      out += e.out;
      diag += e.diag;
    }
    MemoryStream all_out;
    MemoryStream all_diag;
    EXPECT_TRUE(emit_all_texts(n, table.abscissas.data(), table.weights.data(),
                               all_out.file(), all_diag.file()));
    EXPECT_EQ(all_out.text(), out) << "order " << n;
    EXPECT_EQ(all_diag.text(), diag) << "order " << n;
  }
}

// Every text still runs and announces itself after a failed write.
TEST(AllTexts, FailedWriteIsReportedAndEveryTextAnnounced) {
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  MemoryStream diag;
  const Table table = synthetic_table(999);
  EXPECT_FALSE(emit_all_texts(999, table.abscissas.data(), table.weights.data(),
                              full, diag.file()));
  EXPECT_EQ(diag.text(),
            "generating C source code\ngenerating FORTRAN source code\n"
            "generating list of raw coefficients\n");
  std::fclose(full);
}

}  // namespace
}  // namespace zemta
