// Checks the 19 tables compiled into the program, as shipped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "i18n/locale_data.hpp"
#include "i18n/locale_table.hpp"

namespace corvald::i18n {
namespace {

constexpr std::size_t kKeyCount = 37;

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t at = text.find(separator);
    pieces.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + separator.size());
  }
}

// The {names} a text holds, sorted, read the way tr_with reads them.
std::vector<std::string> placeholders(std::string_view text) {
  std::vector<std::string> names;
  for (std::size_t open = text.find('{'); open != std::string_view::npos;) {
    const std::size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) break;
    names.emplace_back(text.substr(open + 1, close - open - 1));
    open = text.find('{', close + 1);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::set<std::string> keys_of(const LocaleTable& table) {
  std::set<std::string> keys;
  for (const auto& [key, value] : table) keys.insert(key);
  return keys;
}

const LocaleTable& english() {
  static const LocaleTable table = [] {
    for (const auto& locale : embedded_locales()) {
      if (locale.code == "en") return parse_locale_table(locale.json);
    }
    return LocaleTable();
  }();
  return table;
}

TEST(EmbeddedLocaleTables, NineteenCodesInFixedOrder) {
  std::vector<std::string> codes;
  for (const auto& locale : embedded_locales()) codes.emplace_back(locale.code);
  EXPECT_THAT(codes,
              ::testing::ElementsAre("ar-EG", "de-DE", "en", "es-ES", "fr-FR", "he-IL", "hi-IN",
                                     "id-ID", "it-IT", "ja-JP", "ko-KR", "ms-MY", "nl-NL", "pl-PL",
                                     "pt-BR", "ru-RU", "th-TH", "zh-CN", "zh-TW"));
}

TEST(EmbeddedLocaleTables, EveryTableHoldsExactlyTheEnglishKeys) {
  ASSERT_EQ(english().size(), kKeyCount);
  for (const auto& locale : embedded_locales()) {
    EXPECT_EQ(keys_of(parse_locale_table(locale.json)), keys_of(english())) << locale.code;
    // One pair a line: a repeated key, or a pair after a spot where the reader stopped,
    // would not show in the parsed table.
    const auto lines = split(locale.json, "\n");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("  \""); }),
              kKeyCount)
        << locale.code;
    const std::string_view json = locale.json;
    for (std::size_t at = json.find('\\'); at != std::string_view::npos;
         at = json.find('\\', at + 2)) {
      EXPECT_EQ(json.substr(at, 2), "\\n") << locale.code << " escape at byte " << at;
    }
  }
}

TEST(EmbeddedLocaleTables, PlaceholdersMatchEnglish) {
  for (const auto& locale : embedded_locales()) {
    const LocaleTable table = parse_locale_table(locale.json);
    for (const auto& [key, text] : english()) {
      const auto it = table.find(key);
      if (it == table.end()) continue;  // reported by the key test
      EXPECT_EQ(placeholders(it->second), placeholders(text)) << locale.code << " " << key;
    }
  }
}

TEST(EmbeddedLocaleTables, TranslationsAreInTheirOwnLanguage) {
  for (const auto& locale : embedded_locales()) {
    if (locale.code == "en") continue;
    std::size_t translated = 0;
    for (const auto& [key, text] : parse_locale_table(locale.json)) {
      EXPECT_FALSE(text.empty()) << locale.code << " " << key;
      const auto it = english().find(key);
      if (it != english().end() && it->second != text) ++translated;
    }
    // A few short texts may rightly read the same as in English; most may not.
    EXPECT_GT(translated, kKeyCount * 3 / 4) << locale.code;
  }
}

TEST(EmbeddedLocaleTables, IntroIsTaglineAndFourFeatures) {
  for (const auto& locale : embedded_locales()) {
    SCOPED_TRACE(std::string(locale.code));
    const LocaleTable table = parse_locale_table(locale.json);
    ASSERT_TRUE(table.contains("ui.intro") && table.contains("ui.tagline"));
    const auto paragraphs = split(table.at("ui.intro"), "\n\n");
    ASSERT_EQ(paragraphs.size(), 5u);
    EXPECT_EQ(paragraphs[0], table.at("ui.tagline"));
    for (std::size_t i = 1; i < paragraphs.size(); ++i) {
      const auto lines = split(paragraphs[i], "\n");
      ASSERT_EQ(lines.size(), 2u) << paragraphs[i];
      EXPECT_TRUE(lines[0].starts_with("\xE2\x96\xAA ") && lines[0].size() > 4) << lines[0];
      EXPECT_TRUE(lines[1].starts_with("   ") && lines[1].size() > 3 && lines[1][3] != ' ')
          << lines[1];
    }
  }
}

// "{product}", "{tagline}", "", the version, build and commit lines, "", "© {publisher}".
TEST(EmbeddedLocaleTables, AboutBodyLayout) {
  for (const auto& locale : embedded_locales()) {
    SCOPED_TRACE(std::string(locale.code));
    const LocaleTable table = parse_locale_table(locale.json);
    ASSERT_TRUE(table.contains("ui.about.body"));
    const auto lines = split(table.at("ui.about.body"), "\n");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_THAT(std::vector(lines.begin(), lines.begin() + 3),
                ::testing::ElementsAre("{product}", "{tagline}", ""));
    EXPECT_THAT(lines[3], ::testing::HasSubstr("{version}"));
    EXPECT_THAT(lines[4], ::testing::HasSubstr("{built}"));
    EXPECT_THAT(lines[5], ::testing::HasSubstr("{commit}"));
    EXPECT_EQ(lines[6], "");
    const std::size_t copyright = lines[7].find("\xC2\xA9");
    EXPECT_TRUE(copyright != std::string::npos &&
                lines[7].find("{publisher}", copyright) != std::string::npos)
        << lines[7];
  }
  EXPECT_THAT(split(english().at("ui.about.body"), "\n"),
              ::testing::ElementsAre("{product}", "{tagline}", "", "Version   : {version}",
                                     "Built     : {built}", "Commit    : {commit}", "",
                                     "\xC2\xA9 {publisher}"));
}

}  // namespace
}  // namespace corvald::i18n
