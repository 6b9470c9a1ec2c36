#pragma once

// A reference for the coefficient text that shares nothing with the
// formatter: the double's exact decimal expansion, from big-integer
// arithmetic on decimal digits, rounded by string manipulation.

#include <string>

namespace zemta::reference {

// The exact value of a finite non-negative double in fixed notation,
// e.g. "0.00100040435791015625", "0.5", "0".
std::string exact_decimal(double value);

// The expected coefficient text: `fixed` (fixed notation, digits and at
// most one '.') rounded half up to 17 significant digits, then written with
// 19 decimal places, digits past the 19th place rounded half up on the
// first of them.
std::string expected_coefficient_text(const std::string& fixed);

}  // namespace zemta::reference
