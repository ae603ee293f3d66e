#include "text/path_text.hpp"

#include <gtest/gtest.h>

#include "text/format.hpp"

namespace corvald::text {
namespace {

TEST(PathText, BytesThatAreNotUtf8AreRefusedOrReplaced) {
  const Path broken(
      "logs/a\xFF"
      "b.log");
  EXPECT_EQ(path_to_utf8_strict(broken), std::nullopt);
  EXPECT_EQ(path_to_utf8(broken),
            "logs/a\xEF\xBF\xBD"
            "b.log");
  EXPECT_EQ(format("[{}]", broken),
            "[logs/a\xEF\xBF\xBD"
            "b.log]");

  const Path fine("logs/caf\xC3\xA9.log");
  EXPECT_EQ(path_to_utf8_strict(fine), "logs/caf\xC3\xA9.log");
  EXPECT_EQ(path_to_utf8(fine), "logs/caf\xC3\xA9.log");
}

}  // namespace
}  // namespace corvald::text
