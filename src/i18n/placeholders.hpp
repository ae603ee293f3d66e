// Filling the named {placeholders} of a localised text.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvald::i18n {

// (name, value) pairs in the caller's order; the same shape as corvald::MessageArgs, so an
// error's message key and arguments can be passed straight through.
using PlaceholderArgs = std::vector<std::pair<std::string, std::string>>;

// Replaces every {name} that has a pair (the first one of that name) by its value. Unknown
// names and a "{" without a later "}" stay as they are, so a missing argument shows up
// visibly instead of silently vanishing. Values are inserted verbatim and not scanned
// again: a file name or server message holding braces cannot expand anything.
std::string fill_placeholders(std::string_view text, const PlaceholderArgs& args);

}  // namespace corvald::i18n
