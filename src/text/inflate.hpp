// Expands a raw deflate stream (RFC 1951), as zlib and gzip write it inside their framing.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace corvald::text {

// The bytes `stream` expands to, which must be exactly `size`; nothing when the stream is
// damaged, ends early, or expands to any other size.
std::optional<std::string> inflate_raw(std::span<const unsigned char> stream, std::size_t size);

}  // namespace corvald::text
