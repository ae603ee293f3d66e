// Localised texts for everything the user sees.
//
// The locale is chosen once per process (APP_INSTALLER_LOCALE, else the user's Windows
// locale, else English) and never changes afterwards. Every function here may be called
// from any thread; the first call does the one-time set-up and concurrent first callers
// wait for it.
#pragma once

#include <string>
#include <string_view>

#include "i18n/placeholders.hpp"

namespace corvald::i18n {

// The text for `key` in the chosen locale, falling back to English, then to the key.
std::string tr(std::string_view key);

// tr(key) with its {placeholders} filled from `args` (see fill_placeholders).
std::string tr_with(std::string_view key, const PlaceholderArgs& args);

// The chosen table's code, for example "de-DE".
std::string current_locale();

}  // namespace corvald::i18n
