// Environment variables, read as Unicode (wide-character on Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/path.hpp"

namespace corvald::platform {

// The variable's value as UTF-8; nothing when it is unset or not valid Unicode.
std::optional<std::string> env_var(std::string_view name);

// The variable's value as a path, without any conversion on Windows; nothing when unset.
std::optional<Path> env_path(std::string_view name);

}  // namespace corvald::platform
