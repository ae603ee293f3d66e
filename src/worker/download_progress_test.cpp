#include "worker/download_progress.hpp"

#include <gtest/gtest.h>

#include "i18n/i18n.hpp"

namespace corvald {
namespace {

using namespace std::chrono_literals;

class DownloadProgressTest : public ::testing::Test {
 protected:
  ProgressContext context_for(std::uint64_t feed_size) {
    feed::Feed feed;
    feed.version = "2.4.0";
    feed.size = feed_size;
    return make_progress_context(feed, status_, Clock{[this] { return now_; }, nullptr});
  }

  std::chrono::steady_clock::time_point now_{std::chrono::seconds(1000)};
  SharedUiStatus status_ = std::make_shared<UiStatus>();
};

TEST_F(DownloadProgressTest, UpdatesWithin80MsAreDroppedExceptTheLastByte) {
  const auto context = context_for(1000);
  now_ += 79ms;
  on_download_progress(context, 100, 1000);
  EXPECT_EQ(status_->snapshot().phase, Phase::created) << "too soon after the context was built";

  now_ += 1ms;
  on_download_progress(context, 200, 1000);
  EXPECT_EQ(status_->snapshot().percent, 19u);

  now_ += 10ms;
  on_download_progress(context, 300, 1000);
  EXPECT_EQ(status_->snapshot().percent, 19u);

  on_download_progress(context, 1000, 1000);
  const auto s = status_->snapshot();
  EXPECT_EQ(s.phase, Phase::downloading);
  EXPECT_EQ(s.percent, 95u);
}

TEST_F(DownloadProgressTest, ZeroSizeFeedDividesByTheEngineTotal) {
  const auto context = context_for(0);
  EXPECT_EQ(context.total, 1u);
  now_ += 80ms;
  on_download_progress(context, 500, 1000);
  EXPECT_EQ(status_->snapshot().percent, 47u);
}

TEST_F(DownloadProgressTest, PercentNeverPassesTheDownloadShare) {
  const auto context = context_for(100);
  on_download_progress(context, 300, 300);
  EXPECT_EQ(status_->snapshot().percent, 95u);
  now_ += 80ms;
  on_download_progress(context, 400, 300);
  EXPECT_EQ(status_->snapshot().percent, 95u);
}

TEST_F(DownloadProgressTest, TextCarriesVersionMegabytesAndPercent) {
  const std::uint64_t mib = 1048576;
  const auto context = context_for(40 * mib);
  now_ += 80ms;
  const std::uint64_t done = 12 * mib + 3 * mib / 10 + 1;
  on_download_progress(context, done, 40 * mib);
  EXPECT_EQ(status_->snapshot().text,
            i18n::tr_with(
                "ui.status.downloading",
                {{"version", "2.4.0"}, {"mb", "12.3"}, {"mb_total", "40.0"}, {"percent", "29"}}));
  EXPECT_EQ(format_mb(0), "0.0");
  EXPECT_EQ(format_mb(mib / 20 - 1), "0.0");
}

}  // namespace
}  // namespace corvald
