// A path as UTF-8 text. Windows names are UTF-16 and may hold unpaired surrogates; POSIX names
// are bytes and may hold anything. Neither function throws, whatever the name holds.
#pragma once

#include <optional>
#include <string>

#include "text/path.hpp"

namespace corvald::text {

// Nothing when the name is not valid Unicode.
std::optional<std::string> path_to_utf8_strict(const Path& path);

// U+FFFD in place of every unpaired surrogate or invalid byte sequence.
std::string path_to_utf8(const Path& path);

}  // namespace corvald::text
