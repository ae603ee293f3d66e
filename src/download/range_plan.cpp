#include "download/range_plan.hpp"

#include <algorithm>
#include <cstdio>

namespace corvald::download {

ByteRange probe_range(std::uint64_t size) { return {0, std::min(size, kProbeBytes) - 1}; }

std::deque<ByteRange> plan_ranges(std::uint64_t from, std::uint64_t size) {
  std::deque<ByteRange> ranges;
  for (std::uint64_t first = from; first < size;) {
    // Measured from the end, so a size near the top of the type cannot wrap the sum around.
    const std::uint64_t last = size - 1 - first < kRangeBytes ? size - 1 : first + kRangeBytes - 1;
    ranges.push_back({first, last});
    first = last + 1;
  }
  return ranges;
}

double probe_throughput(std::uint64_t bytes, std::chrono::steady_clock::duration took) {
  if (took <= std::chrono::milliseconds(1)) return 0.0;
  const double seconds = std::chrono::duration<double>(took).count();
  return static_cast<double>(bytes) / seconds / 1024.0 / 1024.0;
}

std::uint32_t workers_for(double mibps) {
  if (mibps < 10.0) return 6;
  if (mibps < 50.0) return 4;
  return 2;
}

std::string two_decimals(double value) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof buffer, "%.2f", value);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string("0.00");
}

}  // namespace corvald::download
