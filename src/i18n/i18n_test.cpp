#include "i18n/i18n.hpp"

#include <gtest/gtest.h>

#include "i18n/catalogue.hpp"
#include "i18n/locale_data.hpp"

namespace corvald::i18n {
namespace {

TEST(I18nCatalogue, FallsBackToEnglishThenToTheKey) {
  const EmbeddedLocale tables[] = {
      {"en", R"({"greeting": "Hello", "farewell": "Goodbye", "only.en": "English only"})"},
      {"de-DE", R"({"greeting": "Hallo", "farewell": "Tschüss"})"},
      {"fr-FR", R"({"greeting": "Bonjour", "farewell": 7})"},  // damaged after one pair
      {"de-DE", R"({"greeting": "Servus"})"},  // a repeated code replaces the earlier table
  };
  const Catalogue de(tables, "de-DE");
  EXPECT_EQ(de.lookup("greeting"), "Servus");
  EXPECT_EQ(de.lookup("farewell"), "Goodbye");
  EXPECT_EQ(de.lookup("only.en"), "English only");
  EXPECT_EQ(de.lookup("ui.nothing"), "ui.nothing");
  EXPECT_EQ(de.lookup("GREETING"), "GREETING");

  const Catalogue fr(tables, "fr-FR");
  EXPECT_EQ(fr.lookup("greeting"), "Bonjour");
  EXPECT_EQ(fr.lookup("farewell"), "Goodbye");
}

TEST(I18nProcessWide, LookupsUseTheChosenTable) {
  const std::string code = current_locale();
  const EmbeddedLocale* chosen = nullptr;
  for (const auto& locale : embedded_locales()) {
    if (locale.code == code) chosen = &locale;
  }
  ASSERT_NE(chosen, nullptr) << code;
  const LocaleTable table = parse_locale_table(chosen->json);
  EXPECT_EQ(tr("ui.about.title"), table.at("ui.about.title"));
  EXPECT_EQ(tr("ui.nothing"), "ui.nothing");
  // Every table keeps {reason} here, so this holds whatever locale was chosen.
  std::string failed = table.at("ui.feedback.status.failed");
  EXPECT_EQ(tr_with("ui.feedback.status.failed", {}), failed);
  EXPECT_EQ(tr_with("ui.feedback.status.failed", {{"reason", "{x}"}, {"x", "boom"}}),
            failed.replace(failed.find("{reason}"), 8, "{x}"));
}

}  // namespace
}  // namespace corvald::i18n
