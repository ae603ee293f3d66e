// The one gate through which response bodies pass before they reach the log: no control
// characters, no readable signatures or tokens, bounded length.
#pragma once

#include <string>
#include <string_view>

namespace corvald::net {

// One log line's worth of text from arbitrary bytes. Values of sig, token, signature and
// access_token, as key=value pairs or JSON string fields (the whole string, escapes included),
// are masked; the result holds at most 512 characters plus a "...[truncated]" marker and no
// leading or trailing whitespace. Masking is idempotent: the log-safe text of a log-safe text
// that was not truncated is that text.
std::string log_safe_text(std::string_view bytes);

// "<empty>" for an empty value (and for "<empty>" itself, so masking twice changes nothing);
// values under 7 characters as they are; otherwise the first and last three characters
// around "***", a backslash or quotation mark among them shown as "*". Characters are Unicode
// scalar values.
std::string mask_secret(std::string_view value);

}  // namespace corvald::net
