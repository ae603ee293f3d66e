#include "platform/registry.hpp"

#include "text/utf.hpp"

namespace corvald::platform {

std::string decode_registry_text(std::span<const std::uint8_t> bytes) {
  std::string out;
  const std::size_t units = bytes.size() / 2;
  auto unit_at = [&](std::size_t i) {
    // Registry data is little-endian whatever the reader's byte order.
    return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = unit_at(i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char16_t low = unit_at(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text::append_utf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    const bool surrogate = u >= 0xD800 && u <= 0xDFFF;
    text::append_utf8(out, surrogate ? U'\uFFFD' : char32_t(u));
  }
  return out;
}

}  // namespace corvald::platform
