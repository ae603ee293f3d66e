// Reading one locale table from the JSON text compiled into the program.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace corvald::i18n {

// Key -> text of one locale.
using LocaleTable = std::unordered_map<std::string, std::string>;

// Reads the flat object of "key": "value" string pairs our tables consist of. It never
// fails: anything unexpected ends the reading and the pairs read before it are kept, so a
// damaged table still serves its intact part and the lookups fall back to English for the
// rest. Commas between pairs are optional; a repeated key replaces the earlier value.
LocaleTable parse_locale_table(std::string_view json);

}  // namespace corvald::i18n
