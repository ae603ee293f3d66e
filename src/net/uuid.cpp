#include "net/uuid.hpp"

#include <span>

#include "platform/random.hpp"

namespace corvald::net {

std::string new_uuid_v4() {
  std::array<std::byte, 16> bytes{};
  platform::os_random_bytes(bytes);
  return uuid_v4_from_bytes(bytes);
}

std::string uuid_v4_from_bytes(std::array<std::byte, 16> bytes) {
  // RFC 4122: version 4 in the high nibble of byte 6, variant 10xx in the top bits of byte 8.
  bytes[6] = (bytes[6] & std::byte{0x0F}) | std::byte{0x40};
  bytes[8] = (bytes[8] & std::byte{0x3F}) | std::byte{0x80};

  constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    const auto value = std::to_integer<unsigned>(bytes[i]);
    out.push_back(digits[value >> 4]);
    out.push_back(digits[value & 0x0F]);
  }
  return out;
}

}  // namespace corvald::net
