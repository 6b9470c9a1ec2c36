#include "emit/all_texts.h"

#include "emit/c_source.h"
#include "emit/fortran_source.h"
#include "emit/raw_list.h"
#include "emit/text_sink.h"

namespace zemta {

bool emit_all_texts(int n, const double* abscissas, const double* weights,
                    std::FILE* out, std::FILE* diag) {
  // On the stack, not static: the program calls this after the computation
  // has returned, so part of the buffer lies in stack pages the
  // computation's frames have touched already, where a static buffer would
  // take a page fault for every 4 KB on its first use.
  char buffer[16 * 1024];
  TextSink sink(out, buffer, sizeof buffer);
  emit_c_source(n, abscissas, weights, sink, diag);
  emit_fortran_source(n, abscissas, weights, sink, diag);
  emit_raw_list(n, abscissas, weights, sink, diag);
  return sink.flush();
}

}  // namespace zemta
