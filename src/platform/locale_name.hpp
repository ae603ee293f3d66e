// The user's locale as the operating system names it.
#pragma once

#include <optional>
#include <string>

namespace corvald::platform {

// The user default locale name, for example "de-DE"; nothing where the system has none or
// it cannot be read as Unicode. Native builds have no such setting and report nothing, so
// that tests never depend on the machine's language.
std::optional<std::string> user_default_locale_name();

}  // namespace corvald::platform
