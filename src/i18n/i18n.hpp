// Localised texts for everything the user sees.
//
// The locale is chosen once per process (APP_INSTALLER_LOCALE, else the user's Windows
// locale, else English: see resolve_locale) and never changes afterwards. Every lookup may be
// called from any thread; the first one does the one-time set-up and concurrent first callers
// wait for it.
#pragma once

#include <string>
#include <string_view>

#include "i18n/placeholders.hpp"

namespace corvald::i18n {

// Chooses the table by its code. Only start-up calls it, before any thread is started and
// before the first lookup; without it, and after the first lookup, the tables' English stays.
void use_locale(std::string code);

// The text for `key` in the chosen locale, falling back to English, then to the key.
std::string tr(std::string_view key);

// tr(key) with its {placeholders} filled from `args` (see fill_placeholders).
std::string tr_with(std::string_view key, const PlaceholderArgs& args);

// The chosen table's code, for example "de-DE".
std::string current_locale();

}  // namespace corvald::i18n
