#include "net/uuid.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>

namespace corvald::net {
namespace {

TEST(Uuid, SetsVersionAndVariantBitsInLowerCaseHyphenatedForm) {
  std::array<std::byte, 16> bytes{};
  EXPECT_EQ(uuid_v4_from_bytes(bytes), "00000000-0000-4000-8000-000000000000");
  bytes.fill(std::byte{0xFF});
  EXPECT_EQ(uuid_v4_from_bytes(bytes), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::byte(i * 0x11);
  EXPECT_EQ(uuid_v4_from_bytes(bytes), "00112233-4455-4677-8899-aabbccddeeff");
  EXPECT_NE(new_uuid_v4(), new_uuid_v4());
}

}  // namespace
}  // namespace corvald::net
