#include "text/shortest_decimal.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace corvald::text {
namespace {

std::string library_text(double value) {
  char buffer[400];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return std::string(buffer, end.ptr);
}

// The library's shortest fixed form is the reference the service's texts were made with; a
// table cannot cover every double, so the two are held side by side over random bit patterns
// (every exponent alike), and over each power of two with its neighbours, where the values
// that read back stretch unevenly and the nearest decimal is not always the one.
TEST(ShortestFixed, WritesWhatTheLibraryWritesForEveryKindOfDouble) {
  std::mt19937_64 random(20261209);
  std::vector<double> values;
  for (int i = 0; i < 30000; ++i) values.push_back(std::bit_cast<double>(random()));
  for (int e = -1074; e <= 1023; ++e) {
    const double power = std::ldexp(1.0, e);
    values.insert(values.end(), {power, std::nextafter(power, 0.0),
                                 std::nextafter(power, std::numeric_limits<double>::infinity())});
  }
  int checked = 0;
  for (const double v : values) {
    if (!std::isfinite(v)) continue;
    ASSERT_EQ(shortest_fixed(v), library_text(v)) << std::hexfloat << v;
    ++checked;
  }
  EXPECT_GT(checked, 28000);
}

}  // namespace
}  // namespace corvald::text
