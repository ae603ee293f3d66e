// Random draws for identifiers: a generator per thread, seeded from the operating system's
// source on first use, so threads never contend for one engine.
#pragma once

#include <cstdint>
#include <limits>

namespace corvald::net {

// The next 64 bits from the calling thread's generator.
std::uint64_t random_u64();

// A value in [0, n), every value equally likely; n == 0 yields 0.
std::uint64_t uniform_below(std::uint64_t n);

// The drawing rule behind uniform_below, over any source of uniform 64-bit words. A plain
// `word % n` favours the low residues whenever n does not divide 2^64, so words from the
// incomplete last block of n values are drawn again.
template <class Draw>
std::uint64_t uniform_below_with(Draw&& draw, std::uint64_t n) {
  if (n == 0) return 0;
  // 2^64 mod n, computed without a 65-bit intermediate.
  const std::uint64_t excess = (std::uint64_t{0} - n) % n;
  const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max() - excess;
  for (;;) {
    const std::uint64_t word = draw();
    if (word <= limit) return word % n;
  }
}

}  // namespace corvald::net
