// The locale tables compiled into the program (from src/i18n/locales/*.json).
#pragma once

#include <span>
#include <string_view>

namespace corvald::i18n {

struct EmbeddedLocale {
  std::string_view code;
  std::string_view json;  // UTF-8, byte for byte as in the source file
};

// All tables, in the fixed table order that language matching relies on; expanded on the
// first call.
std::span<const EmbeddedLocale> embedded_locales();

}  // namespace corvald::i18n
