// The tables as packed into the program, against their source files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "i18n/locale_data.hpp"
#include "i18n/packed_locales.hpp"
#include "text/inflate.hpp"

namespace corvald::i18n {
namespace {

std::string source_table(std::string_view code) {
  const auto file = std::filesystem::path(CORVALD_SOURCE_ROOT) / "src" / "i18n" / "locales" /
                    (std::string(code) + ".json");
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(EmbeddedLocales, ExpandToTheSourceFilesByteForByte) {
  ASSERT_EQ(embedded_locales().size(), 19u);
  for (const auto& locale : embedded_locales()) {
    const std::string source = source_table(locale.code);
    ASSERT_FALSE(source.empty()) << locale.code;
    EXPECT_EQ(locale.json, source) << locale.code;
  }
}

// The program's own stream, several thousand bytes of dynamic blocks: damaged, it gives no
// tables rather than wrong ones.
TEST(EmbeddedLocales, DamagedPackedStreamExpandsToNothing) {
  const PackedLocales packed = packed_locales();
  const std::size_t total = packed.total_size;
  ASSERT_TRUE(text::inflate_raw(packed.stream, total));

  EXPECT_FALSE(text::inflate_raw(packed.stream.first(packed.stream.size() / 2), total));
  EXPECT_FALSE(text::inflate_raw(packed.stream, total - 1));
  EXPECT_FALSE(text::inflate_raw(packed.stream, total + 1));
  // A bit changed anywhere either fails or gives other bytes, and is never read out of
  // bounds (the sanitizers watch).
  const std::string original = *text::inflate_raw(packed.stream, total);
  for (std::size_t at = 0; at < packed.stream.size(); at += 499) {
    std::vector<unsigned char> damaged(packed.stream.begin(), packed.stream.end());
    damaged[at] ^= static_cast<unsigned char>(1u << (at % 8));
    EXPECT_NE(text::inflate_raw(damaged, total), original) << at;
  }
}

}  // namespace
}  // namespace corvald::i18n
