#include "byte_range.hpp"

#include <gtest/gtest.h>

namespace corvald::devserver {
namespace {

using Kind = RangeAnswer::Kind;

void expect_part(const char* header, std::uint64_t size, std::uint64_t first, std::uint64_t last) {
  SCOPED_TRACE(header);
  const RangeAnswer answer = answer_range(std::string_view(header), size);
  ASSERT_EQ(answer.kind, Kind::part);
  EXPECT_EQ(answer.range.first, first);
  EXPECT_EQ(answer.range.last, last);
}

void expect_kind(const char* header, std::uint64_t size, Kind kind) {
  SCOPED_TRACE(header);
  EXPECT_EQ(answer_range(std::string_view(header), size).kind, kind);
}

TEST(ByteRangeTest, ServesTheRequestedBytesAndCutsAtTheEnd) {
  expect_part("bytes=0-9", 100, 0, 9);
  expect_part("bytes=0-0", 100, 0, 0);
  expect_part("bytes=90-", 100, 90, 99);
  expect_part("bytes=90-200", 100, 90, 99);
  expect_part("bytes=99-99", 100, 99, 99);
  expect_part("bytes=-10", 100, 90, 99);
  expect_part("bytes=-500", 100, 0, 99);
  expect_part(" bytes= 5 - 7 ", 100, 5, 7);
  expect_part("bytes=0-99999999999999999999999", 100, 0, 99);
  EXPECT_EQ(answer_range(std::string_view("bytes=2-5"), 100).range.length(), 4u);
}

TEST(ByteRangeTest, RangesStartingPastTheEndAreUnsatisfiable) {
  expect_kind("bytes=100-", 100, Kind::unsatisfiable);
  expect_kind("bytes=100-200", 100, Kind::unsatisfiable);
  expect_kind("bytes=99999999999999999999999-", 100, Kind::unsatisfiable);
  expect_kind("bytes=0-", 0, Kind::unsatisfiable);
  expect_kind("bytes=-5", 0, Kind::unsatisfiable);
  expect_kind("bytes=-0", 100, Kind::unsatisfiable);
}

TEST(ByteRangeTest, HeadersItCannotServeAsOneRangeMeanTheWholeBody) {
  EXPECT_EQ(answer_range(std::nullopt, 100).kind, Kind::whole);
  for (const char* header : {"", "items=0-9", "bytes=5-2", "bytes=0-1,5-6", "bytes=abc",
                             "bytes=", "bytes=-", "bytes=1", "bytes=+1-2", "bytes=0x1-2"}) {
    expect_kind(header, 100, Kind::whole);
  }
}

}  // namespace
}  // namespace corvald::devserver
