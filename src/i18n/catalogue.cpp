#include "i18n/catalogue.hpp"

namespace corvald::i18n {
namespace {

const LocaleTable* find_table(const std::unordered_map<std::string, LocaleTable>& tables,
                              const std::string& code) {
  const auto it = tables.find(code);
  return it == tables.end() ? nullptr : &it->second;
}

const std::string* find_text(const LocaleTable* table, const std::string& key) {
  if (table == nullptr) return nullptr;
  const auto it = table->find(key);
  return it == table->end() ? nullptr : &it->second;
}

}  // namespace

Catalogue::Catalogue(std::span<const EmbeddedLocale> locales, std::string locale_code)
    : locale_code_(std::move(locale_code)) {
  for (const auto& locale : locales) {
    tables_.insert_or_assign(std::string(locale.code), parse_locale_table(locale.json));
  }
  chosen_ = find_table(tables_, locale_code_);
  english_ = find_table(tables_, "en");
}

std::string Catalogue::lookup(std::string_view key) const {
  const std::string wanted(key);
  if (const std::string* text = find_text(chosen_, wanted)) return *text;
  if (const std::string* text = find_text(english_, wanted)) return *text;
  return wanted;
}

}  // namespace corvald::i18n
