// The program's fixed texts, written out here independently of the program
// so that a test fails when the program's own copy drifts. The version is
// the build's (ZEMTA_VERSION, from project(VERSION)).
#pragma once

#include <string>

namespace zemta::testing {

inline const std::string banner =
    "ZEMTA/V" ZEMTA_VERSION
    ": Gauss Quadrature Integration Coefficients\n"
    "by the zemta developers; the generated code is yours to use\n";

inline const std::string write_failure =
    "\nFatal Error Code 470\ncan't write output\n";

inline std::string usage(const std::string& message) {
  return "\nThis program computes the coefficients (weights and abscissas)\n"
         "for Gauss Quadrature - the most efficient algorithm there is for\n"
         "numerical integration.  ZEMTA generates the C and FORTRAN code for\n"
         "you - ready to use!  Just specify the order and redirect the output\n"
         "to a file as in:\n"
         "\n"
         "        ZEMTA 20 >INTEGRATE.FOR\n"
         "        ZEMTA 99 >integrate.c\n"
         "\n"
         "Error: " +
         message + "\n";
}

}  // namespace zemta::testing
