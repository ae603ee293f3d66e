#include "base/stub_error.hpp"

#include <gtest/gtest.h>

#include "base/result.hpp"

namespace corvald {
namespace {

TEST(StubErrorTest, DisplayTextsOfEveryKind) {
  EXPECT_EQ(StubError::network("connection refused").display(),
            "network error: connection refused");
  EXPECT_EQ(StubError::http("https://x/last.yml", 500).display(), "HTTP 500 for https://x/last.yml");
  EXPECT_EQ(StubError::parse("missing field `sha512`").display(),
            "parse error: missing field `sha512`");
  EXPECT_EQ(StubError::io({5, "Access is denied."}).display(), "io error: Access is denied.");
  EXPECT_EQ(StubError::cancelled().display(), "operation cancelled");
  EXPECT_EQ(StubError::timeout("feed").display(), "timeout: feed");
  EXPECT_EQ(StubError::feed_no_build("https://x/last.yml").display(),
            "no build for this machine (HTTP 204): https://x/last.yml");
  EXPECT_EQ(StubError::internal("LOCALAPPDATA env var not set").display(),
            "LOCALAPPDATA env var not set");
}

TEST(StubErrorTest, VerifyTextDependsOnWhetherADigestWasComputed) {
  EXPECT_EQ(StubError::verify("abc==", "xyz==", 42, 42).display(),
            "verify failed: size=42, expected sha512=abc==, got=xyz==");
  EXPECT_EQ(StubError::verify("abc==", "", 42, 7).display(),
            "verify failed: size expected=42, got=7");
  // Sizes beyond 32 bits must not be truncated.
  EXPECT_EQ(StubError::verify("a", "", 5000000000ULL, 1).display(),
            "verify failed: size expected=5000000000, got=1");
}

TEST(StubErrorTest, MessageKeysCarryTheirPlaceholders) {
  const auto http = error_message_key(StubError::http("https://x/last.yml", 500));
  EXPECT_EQ(http.key, "ui.error.http");
  ASSERT_EQ(http.args.size(), 1u);
  EXPECT_EQ(http.args[0], (std::pair<std::string, std::string>{"status", "500"}));

  const auto no_build = error_message_key(StubError::feed_no_build("https://x/last.yml"));
  EXPECT_EQ(no_build.key, "ui.error.feed_no_build");
  ASSERT_EQ(no_build.args.size(), 1u);
  EXPECT_EQ(no_build.args[0].first, "url");
  EXPECT_EQ(no_build.args[0].second, "https://x/last.yml");

  EXPECT_EQ(error_message_key(StubError::cancelled()).key, "ui.status.cancelled");
  EXPECT_EQ(error_message_key(StubError::network("x")).key, "ui.error.network");
  EXPECT_EQ(error_message_key(StubError::parse("x")).key, "ui.error.parse");
  EXPECT_EQ(error_message_key(StubError::verify("", "", 0, 0)).key, "ui.error.verify");
  EXPECT_EQ(error_message_key(StubError::io({})).key, "ui.error.io");
  EXPECT_EQ(error_message_key(StubError::timeout("x")).key, "ui.error.timeout");
  EXPECT_EQ(error_message_key(StubError::internal("x")).key, "ui.error.internal");
  EXPECT_TRUE(error_message_key(StubError::network("x")).args.empty());
}

TEST(ResultTest, HoldsValueOrError) {
  Result<int> good = 7;
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(*good, 7);
  Result<int> bad = StubError::cancelled();
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().kind(), StubError::Kind::cancelled);

  Result<void> done;
  EXPECT_TRUE(done.ok());
  Result<void> failed = StubError::internal("boom");
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().display(), "boom");
}

}  // namespace
}  // namespace corvald
