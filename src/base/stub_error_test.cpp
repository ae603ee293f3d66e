#include "base/stub_error.hpp"

#include <gtest/gtest.h>

#include "base/result.hpp"

namespace corvald {
namespace {

TEST(StubErrorTest, DisplayTextsOfEveryKind) {
  EXPECT_EQ(StubError::network("connection refused").display(),
            "network error: connection refused");
  EXPECT_EQ(StubError::http("https://x/last.yml", 500).display(),
            "HTTP 500 for https://x/last.yml");
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

// Every kind with a step added: the display text and the window's key stay what they were.
TEST(StubErrorTest, ContextLeavesDisplayAndMessageKeyOfEveryKindAlone) {
  const std::vector<StubError> errors = {
      StubError::network("connection refused"),
      StubError::http("https://x/last.yml", 500),
      StubError::parse("missing field `sha512`"),
      StubError::verify("abc==", "xyz==", 42, 42),
      StubError::io({5, "Access is denied."}),
      StubError::cancelled(),
      StubError::timeout("feed"),
      StubError::feed_no_build("https://x/last.yml"),
      StubError::internal("LOCALAPPDATA env var not set"),
      StubError::system_failure("CoInitialize failed", 0x80004005u),
  };
  for (const auto& plain : errors) {
    const StubError traced = plain.with_context("open for reading", Path("/x/y.exe"));
    EXPECT_EQ(traced.kind(), plain.kind());
    EXPECT_EQ(traced.display(), plain.display());
    const MessageKey before = error_message_key(plain);
    const MessageKey after = error_message_key(traced);
    EXPECT_EQ(after.key, before.key);
    EXPECT_EQ(after.args, before.args);
    ASSERT_EQ(traced.steps().size(), 1u);
    EXPECT_TRUE(plain.steps().empty());
  }
}

TEST(StubErrorTest, StepsInnermostFirstWithTheSystemCodeOnOneLine) {
  EXPECT_EQ(StubError::internal("x").context_text(), "");
  EXPECT_EQ(StubError::io({0, "odd"}).context_text(), "");
  EXPECT_EQ(StubError::io({5, "Access is denied."}).context_text(), "system error 5");

  const StubError error = StubError::io({5, "Access is denied."})
                              .with_context("open for reading", Path("/c/corvald-1.4.0.exe"))
                              .with_context("verify the cached installer");
  EXPECT_EQ(error.system_code(), 5u);
  EXPECT_EQ(
      error.context_text(),
      "open for reading /c/corvald-1.4.0.exe <- verify the cached installer (system error 5)");
  const StubError no_code = StubError::verify("a", "", 3, 4).with_context("check");
  EXPECT_EQ(no_code.system_code(), 0u);
  EXPECT_EQ(no_code.context_text(), "check");
}

TEST(StubErrorTest, PlatformFailuresAndNotFoundKeepTheirFixedTexts) {
  const StubError failed = StubError::system_failure("CoInitialize failed", 0x80004005u);
  EXPECT_EQ(failed.kind(), StubError::Kind::internal);
  EXPECT_EQ(failed.display(), "CoInitialize failed");
  EXPECT_EQ(failed.system_code(), 0x80004005u);
  EXPECT_EQ(StubError::not_found("installer", Path("/t/Setup.exe")).display(),
            "installer not found: /t/Setup.exe");
}

// A wrapper shows its cause as the cause shows itself, whatever kind it is, and its where line
// carries the cause's steps before its own and the cause's code.
TEST(StubErrorTest, WrappedCausesOfEveryKindRenderThemselves) {
  struct Case {
    StubError cause;
    std::string spawn_display;
    std::string where;
  };
  const std::vector<Case> cases = {
      {StubError::io({32, "The process cannot access the file."})
           .with_context("open for reading", Path("/c/Setup.exe")),
       "spawn installer: io error: The process cannot access the file.",
       "open for reading /c/Setup.exe <- start the installer (system error 32)"},
      {StubError::http("https://cdn/Setup.exe", 404),
       "spawn installer: HTTP 404 for https://cdn/Setup.exe", "start the installer"},
      {StubError::network("WinHttpSendRequest: 0x80072EFD").with_context("send"),
       "spawn installer: network error: WinHttpSendRequest: 0x80072EFD",
       "send <- start the installer"},
      {StubError::verify("abc==", "xyz==", 42, 42),
       "spawn installer: verify failed: size=42, expected sha512=abc==, got=xyz==",
       "start the installer"},
      {StubError::system_failure("Access is denied.", 5).with_context("start", Path("/a/app.exe")),
       "spawn installer: Access is denied.",
       "start /a/app.exe <- start the installer (system error 5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spawn_display);
    const StubError spawn =
        StubError::wrapping("spawn installer", c.cause).with_context("start the installer");
    EXPECT_EQ(spawn.kind(), StubError::Kind::internal);
    EXPECT_EQ(error_message_key(spawn).key, "ui.error.internal");
    EXPECT_EQ(spawn.display(), c.spawn_display);
    EXPECT_EQ(spawn.context_text(), c.where);
    ASSERT_NE(spawn.cause(), nullptr);
    EXPECT_EQ(spawn.cause()->kind(), c.cause.kind());
    EXPECT_EQ(spawn.cause()->display(), c.cause.display());

    // Given up on: the fixed message alone, the cause on the where line all the same.
    const StubError gave_up = StubError::gave_up("no usable temp path near /t/x.download", c.cause)
                                  .with_context("start the installer");
    EXPECT_EQ(gave_up.display(), "no usable temp path near /t/x.download");
    EXPECT_EQ(gave_up.context_text(), c.where);
    EXPECT_EQ(gave_up.system_code(), c.cause.system_code());

    // Wrapped twice, the innermost cause still shows through.
    EXPECT_EQ(StubError::wrapping("spawn app", spawn).display(), "spawn app: " + c.spawn_display);
  }
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
  EXPECT_THROW((void)done.error(), std::bad_optional_access);
}

}  // namespace
}  // namespace corvald
