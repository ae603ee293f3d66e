// UTF-8 and UTF-16 helpers shared by the subsystems.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvald::text {

// Decodes one UTF-8 sequence at `pos`; returns the scalar value and advances `pos`, or
// nothing (leaving `pos` unchanged) when the bytes there are not a valid sequence.
std::optional<char32_t> decode_utf8(std::string_view bytes, std::size_t& pos);

void append_utf8(std::string& out, char32_t cp);

bool is_valid_utf8(std::string_view bytes);

// Lossy decoding: every invalid sequence becomes U+FFFD, as the common decoders do it.
std::u32string utf8_to_u32_lossy(std::string_view bytes);
std::string u32_to_utf8(std::u32string_view text);

// Strict UTF-16 <-> UTF-8; nothing when the input holds an unpaired surrogate.
std::optional<std::string> utf16_to_utf8(std::u16string_view text);
std::u16string utf8_to_utf16(std::string_view text);

bool is_unicode_space(char32_t cp);
std::string trim_unicode_space(std::string_view text);
std::string ascii_lower(std::string_view text);
// An ASCII control character (below 0x20, or DEL): such text would cut a URL short or start a
// new line in the log.
bool has_control_character(std::string_view text);

}  // namespace corvald::text
