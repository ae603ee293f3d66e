#include "text/inflate.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvald::text {
namespace {

using Bytes = std::vector<unsigned char>;

// Written by zlib (raw deflate, levels 0 and 9).
const Bytes kStored = {0x01, 0x0c, 0x00, 0xf3, 0xff, 0x73, 0x74, 0x6f, 0x72,
                       0x65, 0x64, 0x20, 0x61, 0x73, 0x20, 0x69, 0x73};
const Bytes kFixed = {0x2b, 0xc9, 0x57, 0x48, 0x4a, 0x55, 0xc8, 0x2f, 0x52, 0xc8, 0xcb, 0x2f, 0x51,
                      0x28, 0x01, 0x71, 0x74, 0x14, 0x4a, 0x32, 0x12, 0x4b, 0x14, 0x32, 0x8b, 0x81,
                      0x74, 0xaa, 0x42, 0x61, 0x69, 0x6a, 0x71, 0x49, 0x66, 0x7e, 0x1e, 0x00};
const std::string kFixedText = "to be or not to be, that is the question";
// A thousand "a": one literal, then copies one byte back that overlap what they write.
const Bytes kRun = {0x4b, 0x4c, 0x1c, 0x05, 0xa3, 0x60, 0x14, 0x0c, 0x77, 0x00, 0x00};

// Written bit by bit: a fixed block whose first code copies from one byte back, before any.
const Bytes kCopyBeforeStart = {0x03, 0x02, 0x00};
// A final block of the reserved type 3.
const Bytes kReservedType = {0x07};

TEST(Inflate, ExpandsStoredFixedAndOverlappingBlocks) {
  EXPECT_EQ(inflate_raw(kStored, 12), "stored as is");
  EXPECT_EQ(inflate_raw(kFixed, kFixedText.size()), kFixedText);
  EXPECT_EQ(inflate_raw(kRun, 1000), std::string(1000, 'a'));
}

TEST(Inflate, RefusesDamagedStreamsAndAnyOtherSize) {
  EXPECT_EQ(inflate_raw(kCopyBeforeStart, 3), std::nullopt);
  EXPECT_EQ(inflate_raw(kReservedType, 0), std::nullopt);
  EXPECT_EQ(inflate_raw({}, 0), std::nullopt);

  Bytes bad_complement = kStored;
  bad_complement[3] ^= 0x01;
  EXPECT_EQ(inflate_raw(bad_complement, 12), std::nullopt);

  // Cut short anywhere, the stream ends before its end-of-block code.
  for (std::size_t cut = 0; cut < kFixed.size(); ++cut) {
    const Bytes head(kFixed.begin(), kFixed.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(inflate_raw(head, kFixedText.size()), std::nullopt) << cut;
  }

  // The size is exact: neither more output nor less is accepted.
  EXPECT_EQ(inflate_raw(kRun, 999), std::nullopt);
  EXPECT_EQ(inflate_raw(kRun, 1001), std::nullopt);
  EXPECT_EQ(inflate_raw(kStored, 11), std::nullopt);
}

}  // namespace
}  // namespace corvald::text
