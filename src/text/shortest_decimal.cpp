#include "text/shortest_decimal.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace corvald::text {
namespace {

// A positive decimal: digits d1 d2 … dn with the value d1.d2…dn × 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// `count` significant digits, correctly rounded by printf.
Decimal rounded(double magnitude, int count) {
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%.*e", count - 1, magnitude);
  Decimal out;
  const char* c = text.data();
  for (; *c != 'e'; ++c) {
    if (*c != '.') out.digits.push_back(*c);
  }
  out.exponent = std::atoi(c + 1);
  return out;
}

// Just enough of an unsigned big integer to compare a decimal with a binary value exactly.
// Whether a decimal reads back is not asked of strtod: the C library of the Windows toolchain
// rounds some decimals next to a power of two the wrong way.
class BigUint {
 public:
  explicit BigUint(std::uint64_t value) {
    for (; value != 0; value >>= 32) limbs_.push_back(static_cast<std::uint32_t>(value));
  }

  void multiply_by_power_of_5(int n) {
    for (; n > 0; n -= 13) multiply(n >= 13 ? 1220703125u : small_power_of_5(n));
  }

  void multiply_by_power_of_2(int n) {
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(n / 32), 0);
    if (n % 32 != 0) multiply(1u << (n % 32));
  }

  friend int compare(const BigUint& a, const BigUint& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  static std::uint32_t small_power_of_5(int n) {
    std::uint32_t p = 1;
    while (n-- > 0) p *= 5;
    return p;
  }

  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }

  std::vector<std::uint32_t> limbs_;  // least significant first, no leading zero limb
};

// The sign of digits × 10^scale − n × 2^shift.
int compare_scaled(std::uint64_t digits, int scale, std::uint64_t n, int shift) {
  BigUint left(digits);
  BigUint right(n);
  // 10^scale is 5^scale × 2^scale; powers that would be negative go to the other side.
  if (scale >= 0) {
    left.multiply_by_power_of_5(scale);
  } else {
    right.multiply_by_power_of_5(-scale);
  }
  if (scale >= shift) {
    left.multiply_by_power_of_2(scale - shift);
  } else {
    right.multiply_by_power_of_2(shift - scale);
  }
  return compare(left, right);
}

// A finite positive double as mantissa × 2^exponent, and the half-way points to its neighbours
// as (odd) multiples of a smaller power of two.
struct Binary {
  std::uint64_t mantissa;
  int exponent;
  std::uint64_t below;  // the half-way point below is below × 2^below_exponent
  int below_exponent;
};

Binary binary_of(double magnitude) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 52);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  Binary b{};
  b.mantissa = biased == 0 ? fraction : fraction | std::uint64_t{1} << 52;
  b.exponent = biased == 0 ? -1074 : biased - 1075;
  // At a power of two the double below lies half as far away as the one above.
  if (fraction == 0 && biased > 1) {
    b.below = 4 * b.mantissa - 1;
    b.below_exponent = b.exponent - 2;
  } else {
    b.below = 2 * b.mantissa - 1;
    b.below_exponent = b.exponent - 1;
  }
  return b;
}

struct Candidate {
  std::uint64_t digits;
  int scale;  // the decimal is digits × 10^scale
};

Candidate candidate_of(const Decimal& d) {
  return {std::strtoull(d.digits.c_str(), nullptr, 10),
          d.exponent - static_cast<int>(d.digits.size()) + 1};
}

// Whether reading the decimal back gives the double: it lies between the half-way points,
// which themselves read back to the double with the even mantissa.
bool reads_back(const Decimal& d, const Binary& b) {
  const Candidate c = candidate_of(d);
  const int above = compare_scaled(c.digits, c.scale, 2 * b.mantissa + 1, b.exponent - 1);
  const int below = compare_scaled(c.digits, c.scale, b.below, b.below_exponent);
  if (b.mantissa % 2 == 0) return above <= 0 && below >= 0;
  return above < 0 && below > 0;
}

bool is_below(const Decimal& d, const Binary& b) {
  const Candidate c = candidate_of(d);
  return compare_scaled(c.digits, c.scale, b.mantissa, b.exponent) < 0;
}

// The neighbour of the same length one unit of the last digit above or below.
Decimal neighbour(Decimal d, bool above) {
  std::string& s = d.digits;
  std::size_t i = s.size();
  if (above) {
    while (i > 0 && s[i - 1] == '9') s[--i] = '0';
    if (i == 0) {  // 9.99 → 10.0, kept to the same length
      s.insert(s.begin(), '1');
      s.pop_back();
      ++d.exponent;
    } else {
      ++s[i - 1];
    }
  } else {
    while (s[i - 1] == '0') s[--i] = '9';
    --s[i - 1];
    if (s[0] == '0') {  // 1.00 → 0.999, kept to the same length
      s.erase(s.begin());
      s.push_back('9');
      --d.exponent;
    }
  }
  return d;
}

// The fewest digits that read back; of two such the nearer. The nearest decimal of a length
// can miss where its neighbour on the other side still reads back: just above a power of two
// the values that read back reach twice as far up as down.
Decimal shortest(double magnitude) {
  if (magnitude == 0) return {"0", 0};
  const Binary b = binary_of(magnitude);
  for (int count = 1;; ++count) {
    Decimal nearest = rounded(magnitude, count);
    if (reads_back(nearest, b)) return nearest;
    Decimal other = neighbour(nearest, is_below(nearest, b));
    if (reads_back(other, b)) return other;
  }  // 17 digits always read back
}

}  // namespace

std::string shortest_fixed(double value) {
  const double magnitude = std::fabs(value);
  const Decimal d = shortest(magnitude);
  std::string out = std::signbit(value) ? "-" : "";
  const int length = static_cast<int>(d.digits.size());
  if (d.exponent >= length - 1) {
    // A whole number: printf writes the exact value, the digits beyond the shortest included.
    std::array<char, 320> text{};
    std::snprintf(text.data(), text.size(), "%.0f", magnitude);
    return out + text.data();
  }
  if (d.exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    return out + d.digits;
  }
  const auto point = static_cast<std::size_t>(d.exponent) + 1;
  return out + d.digits.substr(0, point) + '.' + d.digits.substr(point);
}

}  // namespace corvald::text
