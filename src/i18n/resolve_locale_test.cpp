#include "i18n/resolve_locale.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace corvald::i18n {
namespace {

using Cases = std::initializer_list<std::pair<const char*, const char*>>;

// Each candidate once as the environment value and once as the Windows name.
void expect_resolves(Cases cases) {
  for (const auto& [candidate, expected] : cases) {
    EXPECT_EQ(resolve_locale(candidate, std::nullopt), expected) << "env " << candidate;
    EXPECT_EQ(resolve_locale(std::nullopt, candidate), expected) << "windows " << candidate;
  }
}

TEST(ResolveLocale, TableCodeMatchesIgnoringAsciiCase) {
  expect_resolves({{"de-DE", "de-DE"},
                   {"DE-de", "de-DE"},
                   {"EN", "en"},
                   {"pt-br", "pt-BR"},
                   {"ZH-tw", "zh-TW"},
                   {"zh-cn", "zh-CN"}});
}

TEST(ResolveLocale, ChineseFollowsRegionNotScript) {
  expect_resolves({{"zh-HK", "zh-TW"},
                   {"zh-MO", "zh-TW"},
                   {"zh-Hant-TW", "zh-TW"},
                   {"zh_TW", "zh-TW"},
                   {"ZH_hk", "zh-TW"},
                   {"zh-SG", "zh-CN"},
                   {"zh-Hans", "zh-CN"},
                   {"zh", "zh-CN"},
                   {"zh-Hant", "zh-CN"},
                   {"zh-Hans-CN", "zh-CN"}});
}

TEST(ResolveLocale, OtherRegionsUseFirstTableOfTheLanguage) {
  expect_resolves({{"es-MX", "es-ES"},
                   {"en-GB", "en"},
                   {"en-US", "en"},
                   {"pt-PT", "pt-BR"},
                   {"fr_CA", "fr-FR"},
                   {"FR-be", "fr-FR"},
                   {"ja", "ja-JP"},
                   {"ar-SA", "ar-EG"},
                   {"he", "he-IL"},
                   {"ms_SG", "ms-MY"}});
}

TEST(ResolveLocale, UnknownLanguageGivesEnglish) {
  expect_resolves({{"sr-Latn-RS", "en"}, {"xx", "en"}, {"-de", "en"}, {"english", "en"}});
}

TEST(ResolveLocale, FirstNonBlankCandidateDecidesAlone) {
  EXPECT_EQ(resolve_locale("fr-FR", "de-DE"), "fr-FR");
  // Even a value that fits no table is not overruled by the system setting.
  EXPECT_EQ(resolve_locale("xx", "de-DE"), "en");
  for (const char* blank : {"", " ", "\t\r\n", "\xC2\xA0", "\xE3\x80\x80 "}) {
    EXPECT_EQ(resolve_locale(blank, "de-DE"), "de-DE") << '"' << blank << '"';
    EXPECT_EQ(resolve_locale(blank, blank), "en") << '"' << blank << '"';
  }
  EXPECT_EQ(resolve_locale(std::nullopt, "de-DE"), "de-DE");
  EXPECT_EQ(resolve_locale(std::nullopt, std::nullopt), "en");
}

}  // namespace
}  // namespace corvald::i18n
