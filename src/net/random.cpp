#include "net/random.hpp"

#include <array>
#include <cstddef>
#include <random>
#include <span>

#include "platform/random.hpp"

namespace corvald::net {
namespace {

std::mt19937_64 seeded_engine() {
  std::array<std::uint32_t, 16> seed{};
  platform::os_random_bytes(std::as_writable_bytes(std::span(seed)));
  std::seed_seq sequence(seed.begin(), seed.end());
  return std::mt19937_64(sequence);
}

}  // namespace

std::uint64_t random_u64() {
  thread_local std::mt19937_64 engine = seeded_engine();
  return engine();
}

std::uint64_t uniform_below(std::uint64_t n) {
  return uniform_below_with([] { return random_u64(); }, n);
}

}  // namespace corvald::net
