#include <gtest/gtest.h>

#include <chrono>

#include "ui/icon_file.hpp"
#include "ui/layout.hpp"
#include "ui/tick.hpp"
#include "ui/window_capture.hpp"
#include "ui/window_texts.hpp"

namespace corvald::ui {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(MainWindowTick, ProgressIsTenthsOfAPercentAndNeverOverfull) {
  EXPECT_EQ(progress_position(0), 0);
  EXPECT_EQ(progress_position(37), 370);
  EXPECT_EQ(progress_position(100), 1000);
  EXPECT_EQ(progress_position(150), 1000);
}

TEST(MainWindowTick, UpdateLineShowsTheDayOfTheReleaseDate) {
  UiStatusFields s;
  s.text = "Checking";
  EXPECT_FALSE(decide_tick(s, Clock::now()).version_line);

  s.target_version = "1.2.3";
  s.release_date = "2026-03-04T10:00:00Z";
  EXPECT_EQ(decide_tick(s, Clock::now()).version_line, "Latest v1.2.3 · released 2026-03-04");
  s.release_date = "4 March 2026";
  EXPECT_EQ(decide_tick(s, Clock::now()).version_line, "Latest v1.2.3 · released 4 March 2026");
  s.release_date.reset();
  EXPECT_EQ(decide_tick(s, Clock::now()).version_line, "Latest v1.2.3 · released -");
}

TEST(MainWindowTick, SuccessQuitsOnlyAfterTwoWholeSecondsAndFailureStaysWithItsError) {
  const auto t0 = Clock::now();
  UiStatusFields s;
  EXPECT_FALSE(decide_tick(s, t0).status_text);  // the worker has not written yet
  s.text = "Working";
  s.percent = 40;
  EXPECT_EQ(decide_tick(s, t0).after, AfterTick::keep_ticking);

  s.phase = Phase::done;
  s.finished = true;
  s.finished_at = t0;
  s.text = "Installation complete.";
  EXPECT_EQ(decide_tick(s, t0 + 1999ms).after, AfterTick::keep_ticking);
  EXPECT_EQ(decide_tick(s, t0 + 2000ms).after, AfterTick::stop_and_quit);
  s.finished_at.reset();
  EXPECT_EQ(decide_tick(s, t0 + 10s).after, AfterTick::keep_ticking);

  UiStatusFields f;
  f.phase = Phase::failed;
  f.finished = true;
  f.finished_at = t0;
  f.text = "last progress line";
  f.error_text = "The update service returned an error (HTTP 500). Please try again later.";
  const TickView v = decide_tick(f, t0 + 1h);
  EXPECT_EQ(v.after, AfterTick::stop_and_stay);
  EXPECT_EQ(v.status_text, *f.error_text);
}

TEST(MainWindowCapture, NamesAndScheduleOfCaptures) {
  EXPECT_EQ(capture_file_name(0), "shot_000.bmp");
  EXPECT_EQ(capture_file_name(42), "shot_042.bmp");
  EXPECT_EQ(capture_file_name(1000), "shot_1000.bmp");
  EXPECT_TRUE(capture_due(0));
  EXPECT_FALSE(capture_due(1));
  EXPECT_FALSE(capture_due(19));
  EXPECT_TRUE(capture_due(20));
}

TEST(MainWindowCapture, HeaderOfAThreeByTwoCaptureWithPaddedRows) {
  ASSERT_EQ(dib_row_bytes(3), 12u);  // 9 bytes of pixels padded to 12
  EXPECT_EQ(dib_row_bytes(4), 12u);
  EXPECT_EQ(dib_row_bytes(1), 4u);
  const auto h = bmp_header(3, 2, 2 * dib_row_bytes(3));
  const std::array<std::uint8_t, 54> expected = {
      'B', 'M', 78, 0, 0, 0,  0, 0, 0, 0,  54, 0, 0, 0,  // file header
      40, 0, 0, 0,  3, 0, 0, 0,  0xFE, 0xFF, 0xFF, 0xFF,  1, 0,  24, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(h, expected);
}

TEST(MainWindowText, IntroLineEndsBecomeCrLfOnce) {
  EXPECT_EQ(with_crlf_line_ends("a\nb\r\nc"), "a\r\nb\r\nc");
  EXPECT_EQ(with_crlf_line_ends("\n\n"), "\r\n\r\n");
  EXPECT_EQ(with_crlf_line_ends("a\rb"), "a\rb");
}

TEST(MainWindowText, AboutBodyCarriesVersionBuildCommitAndPublisher) {
  const std::string body = about_body();
  EXPECT_NE(body.find("Version   : 0.1.117\n"), std::string::npos) << body;
  EXPECT_NE(body.find("Built     : 2026-08-30 13:07:27 UTC\n"), std::string::npos) << body;
  EXPECT_NE(body.find("Commit    : 6c20bc0\n"), std::string::npos) << body;
  EXPECT_NE(body.find("© Corvald AI"), std::string::npos) << body;
  EXPECT_EQ(about_title(), "About Corvald Tavrin");
}

TEST(WindowLayout, CentringUsesTheClientSizeAndLabelsCentreTheirLines) {
  const Origin o = centred_origin(0, 0, 1024, 768, 560, 420);
  EXPECT_EQ(o.x, 232);
  EXPECT_EQ(o.y, 174);
  const Origin second = centred_origin(1920, 0, 3840, 1081, 460, 300);
  EXPECT_EQ(second.x, 1920 + 730);
  EXPECT_EQ(second.y, 390);

  EXPECT_EQ(label_line_count(L""), 1);
  EXPECT_EQ(label_line_count(L"one\ntwo"), 2);
  const TextBand band = centred_text_band(24, 19, 1);
  EXPECT_EQ(band.top, 2);
  EXPECT_EQ(band.bottom, 2);
  // English fits the designed buttons; a longer text widens its button and moves the row left.
  EXPECT_EQ(button_width(72, 52), 72);
  EXPECT_EQ(button_width(72, 90), 110);
  const int widths[] = {72, 64};
  EXPECT_EQ(button_row_lefts(widths, 532, 8), (std::vector<int>{388, 468}));
  const int wide[] = {110, 64};
  EXPECT_EQ(button_row_lefts(wide, 532, 8), (std::vector<int>{350, 468}));

  const TextBand tight = centred_text_band(20, 19, 2);
  EXPECT_EQ(tight.top, 0);
  EXPECT_EQ(tight.bottom, 0);
}

TEST(WindowIcon, FirstGroupImageBecomesAOneImageIconFile) {
  // Two entries: 16 px 32-bit in resource 1 (1128 bytes), 32 px in resource 2.
  const std::vector<std::uint8_t> group = {
      0, 0, 1, 0, 2, 0,
      16, 16, 0, 0, 1, 0, 32, 0, 0x68, 0x04, 0, 0, 1, 0,
      32, 32, 0, 0, 1, 0, 32, 0, 0xA8, 0x10, 0, 0, 2, 0};
  const auto entry = first_icon_group_entry(group);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->resource_id, 1);
  const std::vector<std::uint8_t> image = {0xAA, 0xBB, 0xCC};
  const std::vector<std::uint8_t> expected = {
      0, 0, 1, 0, 1, 0,
      16, 16, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0, 22, 0, 0, 0,
      0xAA, 0xBB, 0xCC};
  EXPECT_EQ(single_image_icon_file(*entry, image), expected);

  EXPECT_FALSE(first_icon_group_entry(std::span(group).first(19)));
  std::vector<std::uint8_t> cursor_group = group;
  cursor_group[2] = 2;  // a cursor directory, not an icon one
  EXPECT_FALSE(first_icon_group_entry(cursor_group));
}

}  // namespace
}  // namespace corvald::ui
