#include <gtest/gtest.h>

#include <chrono>

#include "ui/icon_file.hpp"
#include "ui/layout.hpp"
#include "ui/main_window_layout.hpp"
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
      'B', 'M', 78, 0, 0, 0, 0, 0, 0,    0,    54,   0,    0, 0,  // file header
      40,  0,   0,  0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0, 0, 0, 0, 0,
      0,   0,   0,  0, 0, 0, 0, 0, 0,    0,    0,    0,    0, 0, 0,  0, 0, 0, 0, 0};
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

TEST(WindowScale, AtNinetySixDpiTheWindowKeepsItsDesignedTable) {
  const MainWindowLayout l = main_window_layout(Scale(96));
  EXPECT_EQ(l.client_width, 560);
  EXPECT_EQ(l.client_height, 420);
  EXPECT_EQ(l.logo, (Rect{28, 28, 88, 88}));
  EXPECT_EQ(l.logo_image, 96);
  EXPECT_EQ(l.product_name, (Rect{132, 30, 400, 30}));
  EXPECT_EQ(l.version, (Rect{132, 66, 400, 20}));
  EXPECT_EQ(l.intro, (Rect{28, 124, 521, 136}));
  EXPECT_EQ(l.separator, (Rect{28, 276, 504, 1}));
  EXPECT_EQ(l.status, (Rect{28, 292, 504, 24}));
  EXPECT_EQ(l.progress, (Rect{28, 326, 504, 24}));
  EXPECT_EQ(l.status_two_lines, (Rect{28, 292, 504, 42}));
  EXPECT_EQ(l.progress_below_two_lines, (Rect{28, 338, 504, 20}));
  EXPECT_EQ(l.feedback, (Rect{388, 366, 72, 28}));
  EXPECT_EQ(l.about, (Rect{468, 366, 64, 28}));
  EXPECT_EQ(l.button_row_right, 532);
  EXPECT_EQ(l.button_gap, 8);
  EXPECT_EQ(l.button_text_margin, 10);
  EXPECT_EQ(l.fonts.title, 22);
  EXPECT_EQ(l.fonts.body, 14);
  EXPECT_EQ(l.fonts.small, 12);
  EXPECT_EQ(l.fonts.status, 15);
  // A DPI the system could not tell is the designed one.
  EXPECT_EQ(main_window_layout(Scale(0)).about, l.about);
}

TEST(WindowScale, At125150And200PercentEveryFigureScalesWithMulDivRounding) {
  struct Case {
    int dpi;
    int client_width, client_height;
    Rect logo, intro, separator, about;
    int logo_image, title_font, status_font;
    Origin centred;  // on a 1920 × 1080 monitor
  };
  const Case cases[] = {
      {120,
       700,
       525,
       {35, 35, 110, 110},
       {35, 155, 651, 170},
       {35, 345, 630, 1},
       {585, 458, 80, 35},
       120,
       28,
       19,
       {610, 277}},
      {144,
       840,
       630,
       {42, 42, 132, 132},
       {42, 186, 782, 204},
       {42, 414, 756, 2},
       {702, 549, 96, 42},
       144,
       33,
       23,
       {540, 225}},
      {192,
       1120,
       840,
       {56, 56, 176, 176},
       {56, 248, 1042, 272},
       {56, 552, 1008, 2},
       {936, 732, 128, 56},
       192,
       44,
       30,
       {400, 120}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    const MainWindowLayout l = main_window_layout(Scale(c.dpi));
    EXPECT_EQ(l.client_width, c.client_width);
    EXPECT_EQ(l.client_height, c.client_height);
    EXPECT_EQ(l.logo, c.logo);
    EXPECT_EQ(l.intro, c.intro);
    EXPECT_EQ(l.separator, c.separator);
    EXPECT_EQ(l.about, c.about);
    EXPECT_EQ(l.logo_image, c.logo_image);
    EXPECT_EQ(l.fonts.title, c.title_font);
    EXPECT_EQ(l.fonts.status, c.status_font);
    const Origin o = centred_origin(0, 0, 1920, 1080, l.client_width, l.client_height);
    EXPECT_EQ(o.x, c.centred.x);
    EXPECT_EQ(o.y, c.centred.y);
    // The button row grows leftwards from its scaled right edge with a scaled margin.
    const int widths[] = {button_width(l.feedback.width, 200, l.button_text_margin), l.about.width};
    const auto lefts = button_row_lefts(widths, l.button_row_right, l.button_gap);
    EXPECT_EQ(lefts[1], l.about.x);
    EXPECT_EQ(lefts[0] + widths[0] + l.button_gap, l.about.x);
  }
  // Halves round away from zero, as MulDiv rounds them, negative ones included.
  EXPECT_EQ(Scale(120)(6), 8);
  EXPECT_EQ(Scale(120)(-6), -8);
  EXPECT_EQ(Scale(144)(-1), -2);
}

TEST(WindowScale, LogoIsDrawnAtTheScaleOrScaledDownFromTheNextLarger) {
  const int carried[] = {96, 120, 144, 192};
  EXPECT_EQ(logo_source_size(96, carried), 96);
  EXPECT_EQ(logo_source_size(144, carried), 144);
  EXPECT_EQ(logo_source_size(100, carried), 120);  // 105 %: the 120 one shrunk
  EXPECT_EQ(logo_source_size(168, carried), 192);  // 175 %
  EXPECT_EQ(logo_source_size(240, carried), 192);  // 250 %: the largest there is
}

TEST(WindowIcon, FirstGroupImageBecomesAOneImageIconFile) {
  // Two entries: 16 px 32-bit in resource 1 (1128 bytes), 32 px in resource 2.
  const std::vector<std::uint8_t> group = {0,  0, 1,    0,    2,    0,    16, 16, 0,  0,  1, 0,
                                           32, 0, 0x68, 0x04, 0,    0,    1,  0,  32, 32, 0, 0,
                                           1,  0, 32,   0,    0xA8, 0x10, 0,  0,  2,  0};
  const auto entry = first_icon_group_entry(group);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->resource_id, 1);
  const std::vector<std::uint8_t> image = {0xAA, 0xBB, 0xCC};
  const std::vector<std::uint8_t> expected = {0, 0, 1, 0, 1, 0,  16, 16, 0, 0,    1,    0,   32,
                                              0, 3, 0, 0, 0, 22, 0,  0,  0, 0xAA, 0xBB, 0xCC};
  EXPECT_EQ(single_image_icon_file(*entry, image), expected);

  EXPECT_FALSE(first_icon_group_entry(std::span(group).first(19)));
  std::vector<std::uint8_t> cursor_group = group;
  cursor_group[2] = 2;  // a cursor directory, not an icon one
  EXPECT_FALSE(first_icon_group_entry(cursor_group));
}

}  // namespace
}  // namespace corvald::ui
