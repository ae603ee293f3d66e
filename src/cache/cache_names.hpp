// Names inside the cache: turning feed values into path components safely, and reading
// folder entries back as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/path.hpp"

namespace corvald::cache {

// Why `component` must not become a file or folder name under the cache root, or nothing
// when it is safe. Unsafe: empty, "." or "..", a path separator, a drive or stream colon, one
// of ? * " < > |, a control character, text that is not UTF-8, a trailing dot or blank
// (Windows drops them, so "1.0." would name the folder "1.0") and the reserved device names,
// with or without an extension ("nul.txt" opens the null device on Windows).
std::optional<std::string> unsafe_component_reason(std::string_view component);

// The installer's file name: the text after the last "/" of the URL, verbatim, or
// "payload.bin" when the URL ends in "/".
std::string installer_file_name(std::string_view url);

// Text from the feed made safe for one log line: every byte outside printable ASCII is shown
// as \xNN, so a stray line break cannot forge a second record.
std::string printable_ascii(std::string_view bytes);

// A path component from UTF-8 text; the text must be valid UTF-8.
Path path_from_utf8(std::string_view utf8);

// The entry's file name as UTF-8; nothing when it is not valid Unicode.
std::optional<std::string> file_name_utf8(const Path& path);
// The entry's file name as UTF-8, with U+FFFD for every invalid sequence.
std::string file_name_utf8_lossy(const Path& path);

}  // namespace corvald::cache
