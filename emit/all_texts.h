#pragma once

#include <cstdio>

namespace zemta {

// The program's whole output: emit_c_source, emit_fortran_source and
// emit_raw_list in turn, each announcing itself on diag, their texts put
// into out through one buffer (all_texts.cpp), so that out gets one write
// per full buffer and one for the rest.
//
// Every emitter runs even after a failed write, as the order of the
// diagnostic lines does not depend on the output's fate. Returns true when
// every write to out succeeded; what out itself buffers is the caller's to
// flush and check. The texts go out fastest with out unbuffered (setvbuf
// _IONBF): each write then goes straight to the system.
//
// Domain and arguments as for emit_c_source.
bool emit_all_texts(int n, const double* abscissas, const double* weights,
                    std::FILE* out, std::FILE* diag);

}  // namespace zemta
