#include "platform/locale_name.hpp"

namespace corvald::platform {

std::optional<std::string> user_default_locale_name() { return std::nullopt; }

}  // namespace corvald::platform
