// Exact integer pieces shared by the number forms (format_coefficient.cpp,
// shortest_digits.cpp): the decimal order of a power of two, powers of
// five, a portable 64 x 64 -> 128-bit product and a small fixed-size wide
// integer. Internal to emit/. Only integer arithmetic, so the same bits on
// every platform.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

namespace zemta {

// floor(e * log10(2)) for |e| <= 1650, as 78913 / 2^18 approximates
// log10(2) closely enough over that range (the bound used by Ryu and fmt).
constexpr int floor_log10_pow2(int e) { return (e * 78913) >> 18; }

constexpr std::uint64_t power_of_five(int s) {
  std::uint64_t p = 1;
  for (int i = 0; i < s; ++i) {
    p *= 5;
  }
  return p;
}

// a * b as a 128-bit number hi * 2^64 + lo: one instruction where the
// compiler has a 128-bit type, otherwise from 32-bit halves (32-bit targets
// have none). Both are exact, so both give the same bits.
inline void multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& hi,
                     std::uint64_t& lo) {
#ifdef __SIZEOF_INT128__
  const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  hi = static_cast<std::uint64_t>(product >> 64);
  lo = static_cast<std::uint64_t>(product);
#else
  constexpr std::uint64_t low_half = 0xFFFF'FFFF;
  const std::uint64_t a0 = a & low_half;
  const std::uint64_t a1 = a >> 32;
  const std::uint64_t b0 = b & low_half;
  const std::uint64_t b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0;
  const std::uint64_t p01 = a0 * b1;
  const std::uint64_t p10 = a1 * b0;
  const std::uint64_t p11 = a1 * b1;
  const std::uint64_t middle =
      (p00 >> 32) + (p01 & low_half) + (p10 & low_half);
  lo = (middle << 32) | (p00 & low_half);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
#endif
}

// 5^13 is the largest power of five below 2^31, so a 32-bit limb times it
// plus the carry stays below 2^63.
constexpr int five_powers_per_step = 13;

// A non-negative integer below 2^(32 * wide_capacity) in 32-bit limbs,
// least significant first. The caller keeps every result within the
// capacity (shortest_digits.cpp needs about 1090 bits); nothing checks.
inline constexpr int wide_capacity = 36;

class WideInteger {
 public:
  explicit WideInteger(std::uint64_t v)
      : limb_{static_cast<std::uint32_t>(v),
              static_cast<std::uint32_t>(v >> 32)},
        used_(v >> 32 != 0 ? 2 : 1) {}

  // *this *= factor.
  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < used_; ++i) {
      const std::uint64_t product = std::uint64_t{limb_[i]} * factor + carry;
      limb_[i] = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) {
      limb_[used_++] = static_cast<std::uint32_t>(carry);
    }
  }

  // *this *= 5^n.
  void multiply_by_power_of_five(int n) {
    for (; n > 0; n -= five_powers_per_step) {
      multiply(static_cast<std::uint32_t>(
          power_of_five(std::min(n, five_powers_per_step))));
    }
  }

  // *this *= 2^n.
  void shift_left(int n) {
    const int words = n / 32;
    const int bits = n % 32;
    if (bits != 0) {
      std::uint32_t carry = 0;
      for (int i = 0; i < used_; ++i) {
        const std::uint32_t next = limb_[i] >> (32 - bits);
        limb_[i] = (limb_[i] << bits) | carry;
        carry = next;
      }
      if (carry != 0) {
        limb_[used_++] = carry;
      }
    }
    if (words != 0) {
      for (int i = used_; i-- > 0;) {
        limb_[i + words] = limb_[i];
      }
      for (int i = 0; i < words; ++i) {
        limb_[i] = 0;
      }
      used_ += words;
    }
  }

  // *this *= 10^n.
  void multiply_by_power_of_ten(int n) {
    multiply_by_power_of_five(n);
    shift_left(n);
  }

  // *this -= other; needs *this >= other.
  void subtract(const WideInteger& other) {
    std::uint32_t borrow = 0;
    for (int i = 0; i < used_; ++i) {
      const std::uint64_t take =
          std::uint64_t{i < other.used_ ? other.limb_[i] : 0} + borrow;
      borrow = limb_[i] < take ? 1 : 0;
      limb_[i] = static_cast<std::uint32_t>(limb_[i] - take);
    }
    trim();
  }

  // *this -= q * other; needs *this >= q * other.
  void subtract_multiple(const WideInteger& other, std::uint32_t q) {
    std::uint64_t carry = 0;
    std::uint32_t borrow = 0;
    for (int i = 0; i < used_; ++i) {
      const std::uint64_t product = std::uint64_t{other.limb_at(i)} * q + carry;
      carry = product >> 32;
      const std::uint64_t take =
          std::uint64_t{static_cast<std::uint32_t>(product)} + borrow;
      borrow = limb_[i] < take ? 1 : 0;
      limb_[i] = static_cast<std::uint32_t>(limb_[i] - take);
    }
    trim();
  }

  // Replaces *this by *this mod divisor and returns the quotient, for a
  // quotient below 2^31 and a normalized divisor (top limb at least 2^31,
  // see normalizing_shift). The quotient is estimated from the top limbs,
  // never too large and at most one too small: then fixed by comparing.
  std::uint32_t divide_small(const WideInteger& divisor) {
    const int n = divisor.used_;
    const std::uint64_t top =
        (std::uint64_t{limb_at(n)} << 32) | limb_at(n - 1);
    auto q = static_cast<std::uint32_t>(
        top / (std::uint64_t{divisor.limb_[n - 1]} + 1));
    if (q != 0) {
      subtract_multiple(divisor, q);
    }
    while (compare(*this, divisor) >= 0) {
      subtract(divisor);
      ++q;
    }
    return q;
  }

  // The left shift that makes the top limb at least 2^31.
  [[nodiscard]] int normalizing_shift() const {
    return std::countl_zero(limb_[used_ - 1]);
  }

  // The sign of a - b: -1, 0 or 1.
  friend int compare(const WideInteger& a, const WideInteger& b) {
    if (a.used_ != b.used_) {
      return a.used_ < b.used_ ? -1 : 1;
    }
    for (int i = a.used_; i-- > 0;) {
      if (a.limb_[i] != b.limb_[i]) {
        return a.limb_[i] < b.limb_[i] ? -1 : 1;
      }
    }
    return 0;
  }

  // The sign of a + b - c.
  friend int compare_sum(const WideInteger& a, const WideInteger& b,
                         const WideInteger& c) {
    const int n = std::max(std::max(a.used_, b.used_), c.used_ - 1);
    // Digits of a + b from the top down would need the carries from below,
    // so the sum is formed first, one limb more than the longer addend.
    std::uint32_t sum[wide_capacity + 1];
    std::uint64_t carry = 0;
    for (int i = 0; i < n; ++i) {
      carry += std::uint64_t{a.limb_at(i)} + b.limb_at(i);
      sum[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    sum[n] = static_cast<std::uint32_t>(carry);
    for (int i = n + 1; i-- > 0;) {
      const std::uint32_t x = sum[i];
      const std::uint32_t y = c.limb_at(i);
      if (x != y) {
        return x < y ? -1 : 1;
      }
    }
    return 0;
  }

 private:
  [[nodiscard]] std::uint32_t limb_at(int i) const {
    return i < used_ ? limb_[i] : 0;
  }

  void trim() {
    while (used_ > 1 && limb_[used_ - 1] == 0) {
      --used_;
    }
  }

  std::uint32_t limb_[wide_capacity];
  int used_;
};

}  // namespace zemta
