#include "i18n/i18n.hpp"

#include "i18n/catalogue.hpp"

namespace corvald::i18n {
namespace {

std::string& chosen_code() {
  static std::string code = "en";
  return code;
}

// Built on first use under the language's once-only guard for statics; read-only after,
// so lookups need no lock.
const Catalogue& process_catalogue() {
  static const Catalogue catalogue(embedded_locales(), chosen_code());
  return catalogue;
}

}  // namespace

void use_locale(std::string code) { chosen_code() = std::move(code); }

std::string tr(std::string_view key) { return process_catalogue().lookup(key); }

std::string tr_with(std::string_view key, const PlaceholderArgs& args) {
  std::string text = tr(key);
  if (text.find('{') == std::string::npos) return text;
  return fill_placeholders(text, args);
}

std::string current_locale() { return process_catalogue().locale_code(); }

}  // namespace corvald::i18n
