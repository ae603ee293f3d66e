#include "net/headers.hpp"

#include <gtest/gtest.h>

namespace corvald::net {
namespace {

// Wine's WinHTTP sends "a:b" as "a: b" and drops a trailing line break itself, so the wire
// under Wine (tests/net) cannot tell these faults apart from the right block.
TEST(HeaderBlock, NameColonBlankValueLinesWithNoBreakAfterTheLast) {
  EXPECT_EQ(header_block({}), "");
  EXPECT_EQ(header_block({{"X-One", "a b"}}), "X-One: a b");
  EXPECT_EQ(header_block({{"X-One", "a b"}, {"CV-Request-Id", "r-1"}, {"X-Empty", ""}}),
            "X-One: a b\r\nCV-Request-Id: r-1\r\nX-Empty: ");
}

}  // namespace
}  // namespace corvald::net
