// Byte-to-text encodings shared by the request record and the feed: base64, UTF-8 validity
// and JSON string literals.
#pragma once

#include <string>
#include <string_view>

namespace corvald::devserver {

// Standard alphabet with "=" padding (RFC 4648 section 4), the form feeds carry digests in.
std::string base64_encode(std::string_view bytes);

// Well-formed UTF-8 only: overlong forms, surrogates and code points past U+10FFFF fail.
bool is_valid_utf8(std::string_view bytes);

// A complete JSON string literal, quotes included. JSON text must be UTF-8, so an invalid
// sequence becomes U+FFFD; callers that must keep exact bytes check is_valid_utf8 first.
std::string json_string(std::string_view text);

}  // namespace corvald::devserver
