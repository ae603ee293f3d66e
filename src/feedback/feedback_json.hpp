// Reading the few string values the stub needs from a service reply. The service's replies
// are small flat objects, so a scanner is enough and cannot be tripped up by parts of the
// document the stub does not care about.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvald::feedback {

// The string value of the first "key" (case-sensitive, at any nesting depth) that is followed
// by ":" and a string; nothing when there is none or the value has no closing quote. Keys
// match whole, after unescaping: text inside another key or a value never counts. Escaped
// quote, slash, backslash, n, r and t are unescaped; other escapes (u, b, f) stay as written.
std::optional<std::string> json_string_field(std::string_view json, std::string_view key);

}  // namespace corvald::feedback
