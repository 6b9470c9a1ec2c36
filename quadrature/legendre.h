// Legendre polynomials P_n and their derivatives.
#pragma once

namespace zemta::detail {

// Stores P_n(x) into p and P_n'(x) into dp.
//
// Domain: any n (n <= 0 gives P_0 = 1, P_0' = 0; n == 1 gives P = x, P' = 1)
// and any finite x; the program uses 2 <= n <= 999 and 0 <= x <= 1.
//
// Rounding: the value is the three-term recurrence in the rearranged form
//     P_i = ((2x) P_{i-1} - P_{i-2}) - (x P_{i-1} - P_{i-2}) / i
// and the derivative P_i' = (2i - 1) P_{i-1} + P_{i-2}', each operation
// rounded to double in exactly this order. At x = 1 every order gives P = 1
// and P' = n(n+1)/2 exactly. Costs n - 1 recurrence steps; no allocation.
void legendre_eval(int n, double x, double& p, double& dp);

}  // namespace zemta::detail
