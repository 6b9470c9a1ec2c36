// The run sequence: banner, argument checks, tables, computation, output.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "quadrature/coefficients.h"

namespace zemta {

struct RunOutcome {
  enum class Kind { success, usage_error, fatal_error };
  Kind kind = Kind::success;
  long code = 0;                  // fatal errors only
  const char* message = nullptr;  // the error's text; static storage
};

// Runs the whole program for an argument vector (argv[0] is the program
// name) without ending the process: writes the banner to diag, checks the
// arguments, computes the rule and writes the C function, the FORTRAN
// function and the raw list to out, then flushes out. Nothing is written to
// out before the arguments pass, so out is untouched on a usage error.
//
// Errors come back as the outcome, for the caller to end the process with:
//   usage_error "no parameters", "wrong number of parameters",
//               "scan error on parameter 1: order",
//               "order must be at least 2", "order must not exceed 999";
//   fatal_error 460 / 463 "can't allocate memory",
//               470 "can't write output" (a write to out failed),
//               480 "root search made no progress".
//
// The tables come from allocate, with calloc's contract (zero-filled, null
// on failure); tests pass one that fails. They are filled by compute: the
// program's compute_coefficients, or the one-at-a-time computation the
// benchmarks time it against.
using TableAllocator = void* (*)(std::size_t count, std::size_t size);
RunOutcome run(int argc, const char* const* argv, std::FILE* out,
               std::FILE* diag, TableAllocator allocate = std::calloc,
               CoefficientComputation compute = compute_coefficients);

// The whole process on stdout and stderr: sets up the streams' buffers,
// runs, and ends the process through usage_exit or fatal_exit on an error.
// Returns EXIT_SUCCESS after a complete run, for main to return.
int run_process(int argc, char** argv, CoefficientComputation compute);

}  // namespace zemta
