#include "net/random.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace corvald::net {
namespace {

constexpr std::uint64_t max_word = std::numeric_limits<std::uint64_t>::max();

// Hands out the given words in turn and counts how many were taken.
struct ScriptedWords {
  std::vector<std::uint64_t> words;
  std::size_t taken = 0;
  std::uint64_t operator()() { return words.at(taken++); }
};

std::uint64_t draw_from(ScriptedWords& words, std::uint64_t n) {
  return uniform_below_with([&words] { return words(); }, n);
}

TEST(Random, UniformBelowRedrawsOnlyWordsOfTheIncompleteLastBlock) {
  // 2^64 = 3 * k + 1: only the top word would favour residue 0.
  ScriptedWords three{{max_word, max_word - 1}};
  EXPECT_EQ(draw_from(three, 3), (max_word - 1) % 3);
  EXPECT_EQ(three.taken, 2u);

  // 2^64 mod (2^63 + 1) = 2^63 - 1: everything above 2^63 is redrawn.
  const std::uint64_t big = (std::uint64_t{1} << 63) + 1;
  ScriptedWords halves{{big, big - 1}};
  EXPECT_EQ(draw_from(halves, big), big - 1);
  EXPECT_EQ(halves.taken, 2u);

  // A power of two divides 2^64: nothing is redrawn.
  ScriptedWords sixteen{{max_word}};
  EXPECT_EQ(draw_from(sixteen, 16), 15u);
  EXPECT_EQ(sixteen.taken, 1u);
}

}  // namespace
}  // namespace corvald::net
