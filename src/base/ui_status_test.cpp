#include "base/ui_status.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace corvald {
namespace {

TEST(UiStatusTest, SecondFinishOkKeepsTheFirstText) {
  UiStatus status;
  set_status(status, Phase::installing, 96, "Installing…");
  finish_ok(status, "Starting Corvald Tavrin…");
  const auto first = status.snapshot();
  finish_ok(status, "Installation complete.");
  const auto s = status.snapshot();
  EXPECT_EQ(s.text, "Starting Corvald Tavrin…");
  EXPECT_EQ(s.phase, Phase::done);
  EXPECT_EQ(s.percent, 100u);
  EXPECT_TRUE(s.finished);
  EXPECT_EQ(s.finished_at, first.finished_at);
}

TEST(UiStatusTest, FinishFailedAlwaysWinsAndKeepsThePercent) {
  UiStatus status;
  set_status(status, Phase::downloading, 42, "Downloading");
  finish_failed(status, "Cancelled.");
  auto s = status.snapshot();
  EXPECT_EQ(s.phase, Phase::failed);
  EXPECT_EQ(s.percent, 42u);
  EXPECT_EQ(s.text, "Cancelled.");
  EXPECT_EQ(s.error_text, "Cancelled.");
  EXPECT_TRUE(s.finished);

  UiStatus after_success;
  finish_ok(after_success, "done");
  finish_failed(after_success, "launch failed");
  s = after_success.snapshot();
  EXPECT_EQ(s.phase, Phase::failed);
  EXPECT_EQ(s.text, "launch failed");
}

// Progress may still arrive after the end: it neither finishes the record nor replaces the
// final text of a success (whose window would then never close) or of a failure. The finish
// is stamped on the status's own clock, which the window reads too.
TEST(UiStatusTest, AFinishedRecordKeepsItsFinalState) {
  auto now = std::chrono::steady_clock::time_point(std::chrono::hours(5));
  const Clock clock{.now = [&] { return now; }, .sleep = [](std::chrono::milliseconds) {}};
  UiStatus succeeded(clock);
  set_status(succeeded, Phase::installing, 96, "Installing…");
  EXPECT_FALSE(succeeded.snapshot().finished);
  finish_ok(succeeded, "done");
  now += std::chrono::seconds(1);
  set_status(succeeded, Phase::installing, 96, "late");
  auto s = succeeded.snapshot();
  EXPECT_EQ(s.phase, Phase::done);
  EXPECT_EQ(s.percent, 100u);
  EXPECT_EQ(s.text, "done");
  EXPECT_EQ(s.finished_at, std::chrono::steady_clock::time_point(std::chrono::hours(5)));

  UiStatus failed(clock);
  finish_failed(failed, "Cancelled.");
  set_status(failed, Phase::downloading, 42, "Downloading");
  s = failed.snapshot();
  EXPECT_EQ(s.phase, Phase::failed);
  EXPECT_EQ(s.text, "Cancelled.");
  EXPECT_EQ(s.finished_at, now);
}

TEST(UiStatusTest, TargetVersionAndDateAreSetTogether) {
  UiStatus status;
  set_target(status, "1.5.0", std::nullopt);
  auto s = status.snapshot();
  EXPECT_EQ(s.target_version, "1.5.0");
  EXPECT_FALSE(s.release_date.has_value());
  set_target(status, "1.6.0", "2026-11-30");
  s = status.snapshot();
  EXPECT_EQ(s.release_date, "2026-11-30");
}

TEST(UiStatusTest, ReaderAlwaysSeesAConsistentRecord) {
  UiStatus status;
  CancelFlag cancel;
  std::thread writer([&] {
    for (std::uint32_t i = 0; i <= 2000; ++i) {
      set_status(status, Phase::downloading, i % 101, std::to_string(i % 101));
    }
    cancel.cancel();
  });
  while (!cancel.is_set()) {
    const auto s = status.snapshot();
    if (!s.text.empty()) {
      ASSERT_EQ(s.text, std::to_string(s.percent));
    }
  }
  writer.join();
}

}  // namespace
}  // namespace corvald
