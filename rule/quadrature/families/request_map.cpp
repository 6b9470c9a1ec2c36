// The pieces the families share: the request's map and the exact rounding
// of a fixed node's weight.
#include <algorithm>

#include "rule/quadrature/families/family_rules.h"

namespace zemta::detail {

RuleMap request_map(const FamilyRequest& request, WeightFactor factor) {
  return request.on_interval ? interval_map(request.a, request.b, factor)
                             : identity_map(factor);
}

// v / q to at least quotient_bits bits, then one sticky bit for a nonzero
// remainder: the truncated quotient and the sticky bit sit on the same side
// of every rounding boundary of a double (quotient_bits > 53 + 2), so
// dyadic_round of it is the rounding of v / q.
double round_quotient(const Dyadic& v, std::uint32_t q) {
  constexpr int quotient_bits = 64;
  const BigInt divisor = big_from_u64(q);
  const int shift = std::max(
      0, quotient_bits + big_bit_length(divisor) - big_bit_length(v.mantissa));
  const BigInt scaled = big_shift_left(v.mantissa, shift);
  const BigInt quotient = big_div_floor(scaled, divisor);
  const BigInt remainder = big_sub(scaled, big_mul(quotient, divisor));
  BigInt mantissa = big_shift_left(quotient, 1);
  if (big_sign(remainder) != 0) {
    mantissa = big_add(mantissa, big_from_u64(1));
  }
  return dyadic_round(Dyadic{mantissa, v.exponent - shift - 1});
}

}  // namespace zemta::detail
