// The parsed locale tables and the lookup order over them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "i18n/locale_data.hpp"
#include "i18n/locale_table.hpp"

namespace corvald::i18n {

class Catalogue {
 public:
  // Parses every table; a code that occurs twice keeps its last table.
  Catalogue(std::span<const EmbeddedLocale> locales, std::string locale_code);

  const std::string& locale_code() const { return locale_code_; }

  // The text in the chosen locale, else in English, else the key itself: the user always
  // sees something, and a missing translation is recognisable by its key.
  std::string lookup(std::string_view key) const;

 private:
  std::unordered_map<std::string, LocaleTable> tables_;
  std::string locale_code_;
  const LocaleTable* chosen_ = nullptr;
  const LocaleTable* english_ = nullptr;
};

}  // namespace corvald::i18n
