// Choosing the locale table for this user.
#pragma once

#include <optional>
#include <string>

namespace corvald::i18n {

// `env_value` is APP_INSTALLER_LOCALE, `windows_name` the user's default locale name. The
// first candidate that holds more than white space decides alone, even when it fits no
// table: an explicit override must never be second-guessed by the system setting. The
// result is always one of the table codes, "en" when nothing fits.
std::string resolve_locale(std::optional<std::string> env_value,
                           std::optional<std::string> windows_name);

}  // namespace corvald::i18n
