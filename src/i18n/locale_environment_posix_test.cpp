#include <stdlib.h>

#include <gtest/gtest.h>

#include "i18n/resolve_locale.hpp"

namespace corvald::i18n {
namespace {

TEST(I18nEnvironment, OverrideVariableChoosesTheLocale) {
  if (getenv("APP_INSTALLER_LOCALE") != nullptr) GTEST_SKIP() << "locale chosen by the caller";
  setenv("APP_INSTALLER_LOCALE", "fr_CA", 1);
  EXPECT_EQ(resolve_locale_from_system(), "fr-FR");
  // Not valid UTF-8: as if unset, and native builds have no system locale to fall back on.
  setenv("APP_INSTALLER_LOCALE", "de\xFF", 1);
  EXPECT_EQ(resolve_locale_from_system(), "en");
  unsetenv("APP_INSTALLER_LOCALE");
}

}  // namespace
}  // namespace corvald::i18n
