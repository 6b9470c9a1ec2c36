// An mpfr_t that frees itself and copies as a value, for the tests that
// hold the rules to MPFR.
#pragma once

#include <mpfr.h>

namespace zemta::testing {

class MpfrValue {
 public:
  explicit MpfrValue(mpfr_prec_t bits) { mpfr_init2(value_, bits); }
  MpfrValue(const MpfrValue& other) {
    mpfr_init2(value_, mpfr_get_prec(other.value_));
    mpfr_set(value_, other.value_, MPFR_RNDN);
  }
  MpfrValue(MpfrValue&& other) noexcept
      : MpfrValue(mpfr_get_prec(other.value_)) {
    mpfr_swap(value_, other.value_);
  }
  MpfrValue& operator=(const MpfrValue& other) {
    if (this != &other) {
      mpfr_set_prec(value_, mpfr_get_prec(other.value_));
      mpfr_set(value_, other.value_, MPFR_RNDN);
    }
    return *this;
  }
  MpfrValue& operator=(MpfrValue&& other) noexcept {
    mpfr_swap(value_, other.value_);
    return *this;
  }
  ~MpfrValue() { mpfr_clear(value_); }
  [[nodiscard]] mpfr_ptr get() { return value_; }
  [[nodiscard]] mpfr_srcptr get() const { return value_; }

 private:
  mpfr_t value_;
};

}  // namespace zemta::testing
