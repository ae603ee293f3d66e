// The main window as a user meets it, seen and driven from this process through ui_automation.
// Every case saves pictures of the screen in <build>/screenshots.
#include <set>
#include <thread>

#include "file_bytes.hpp"
#include "windowed_fixture.hpp"

namespace corvald::e2e {
namespace {

TEST_F(WindowedE2eTest, PlainRunShowsTheWindowInstallsLaunchesAndClosesItself) {
  start();
  HWND window = main_window();
  ASSERT_NE(window, nullptr);
  const SIZE client = client_size(window);
  EXPECT_EQ(client.cx, 560);
  EXPECT_EQ(client.cy, 420);

  expect_controls(window, kLayout, {feedback, about});  // Tab moves between the buttons only
  const auto controls = controls_of(window);
  ASSERT_EQ(controls.size(), std::size(kLayout));
  EXPECT_EQ(controls[name].text, L"Corvald Tavrin");
  EXPECT_NE(controls[intro].text.find(L"Talk, don't type\r\n"), std::wstring::npos);
  EXPECT_NE(GetWindowLongW(controls[intro].handle, GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(controls[feedback].text, L"Feedback");
  EXPECT_EQ(controls[about].text, L"About");
  EXPECT_EQ(progress_range(controls[progress].handle), std::make_pair(0, 1000));
  shot("started");

  // The status line follows the pipeline to the launch of the installed application.
  std::set<std::wstring> seen;
  const bool launched = wait_until(
      [&] {
        seen.insert(text_of(controls[status].handle));
        return seen.count(L"Starting Corvald Tavrin…") != 0;
      },
      90s);
  ASSERT_TRUE(launched) << log();
  shot("done");
  EXPECT_EQ(progress_position(controls[progress].handle), 1000);
  EXPECT_TRUE(text_of(controls[version].handle).starts_with(L"Latest v1.5.0 · released "))
      << "version line did not show the feed's build";
  EXPECT_TRUE(seen.count(L"Checking for latest version…") || seen.count(L"Installing…"))
      << "no step of the pipeline was seen on the way";

  const auto code = stub_->wait(30s);
  ASSERT_EQ(code, 0ul) << log();
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");
  EXPECT_TRUE(wait_until([&] { return file_bytes(marker_) == "launched 1.5.0\n"; }, 10s));
  const auto reports = devserver_reports();
  ASSERT_FALSE(reports.empty());
  EXPECT_NE(reports.front().body.find("\"event_name\":\"stub_started\""), std::string::npos);
  EXPECT_NE(reports.back().body.find("\"event_name\":\"stub_completed\""), std::string::npos);
}

TEST_F(WindowedE2eTest, FailedFeedStaysOpenWithItsErrorAboutBoxAndCapturesUntilClosed) {
  ASSERT_TRUE(devserver_control("set?feed_status=500"));
  const fs::path shots = home_ / "shots";
  fs::create_directories(shots);
  start({{L"APP_INSTALLER_SCREENSHOT_DIR", shots.wstring()}});
  HWND window = main_window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(status_becomes(window, kHttp500, 30s)) << log();

  // The first capture is taken on the first tick: a 24-bit top-down BMP of the whole window.
  const fs::path first = shots / "shot_000.bmp";
  ASSERT_TRUE(wait_until([&] { return fs::exists(first); }, 10s));
  RECT outer{};
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const std::string bmp = file_bytes(first);
  const auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at]) |
                                      static_cast<unsigned char>(bmp[at + 1]) << 8 |
                                      static_cast<unsigned char>(bmp[at + 2]) << 16 |
                                      static_cast<unsigned char>(bmp[at + 3]) << 24);
  };
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  EXPECT_EQ(u32(2), 54 + row * height);
  EXPECT_EQ(bmp.size(), 54 + row * height);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(static_cast<int>(u32(18)), width);
  EXPECT_EQ(static_cast<int>(u32(22)), -height);
  EXPECT_EQ(bmp[28], 24);

  // Seconds later the error is still there; the About box opens over it.
  std::this_thread::sleep_for(2500ms);
  ASSERT_TRUE(has_window(stub_->pid(), kCaption));
  EXPECT_EQ(text_of(controls_of(window)[status].handle), kHttp500);
  shot("error");
  click(controls_of(window)[about].handle);
  HWND box = wait_for_window(stub_->pid(), L"About Corvald Tavrin", 10s);
  ASSERT_NE(box, nullptr);
  std::wstring body;
  for (const auto& c : controls_of(box)) body += c.text + L"\n";
  for (const wchar_t* line : {L"Version   : 0.1.117", L"Built     : 2026-08-30 13:07:27 UTC",
                              L"Commit    : 6c20bc0", L"© Corvald AI"}) {
    EXPECT_NE(body.find(line), std::wstring::npos) << "About box lacks a line";
  }
  shot("about");
  // The box lies wholly over the main window; its picture must show the box, not what is under it.
  RECT frame{};
  GetWindowRect(box, &frame);
  EXPECT_EQ(shot_pixel("about", frame.left + 8, frame.bottom - 8), GetSysColor(COLOR_3DFACE));
  close_window(box);
  ASSERT_TRUE(wait_until([&] { return !has_window(stub_->pid(), L"About Corvald Tavrin"); }, 10s));

  close_window(window);
  EXPECT_EQ(stub_->wait(20s), 0ul) << log();
  EXPECT_NE(log().find("[worker] HTTP 500 for "), std::string::npos) << log();
}

TEST_F(WindowedE2eTest, ClosingDuringADownloadEndsTheRunAndInstallsNothing) {
  ASSERT_TRUE(devserver_control("set?rate=8192"));
  start();
  HWND window = main_window();
  ASSERT_NE(window, nullptr);
  // The progress line appears only once a megabyte has arrived: the preparing line is the first
  // sign of the download, and at this rate the installer takes twenty seconds.
  ASSERT_TRUE(wait_until(
      [&] {
        const std::wstring text = text_of(controls_of(window)[status].handle);
        return text.starts_with(L"Preparing download") || text.starts_with(L"Downloading");
      },
      60s))
      << log();
  shot("downloading");
  close_window(window);
  EXPECT_EQ(stub_->wait(15s), 0ul) << log();
  EXPECT_FALSE(uninstall_entry_exists());
  EXPECT_FALSE(fs::exists(marker_));
}

TEST_F(WindowedE2eTest, GermanAndJapaneseShowTranslatedCaptionAndError) {
  ASSERT_TRUE(devserver_control("set?feed_status=500"));
  const std::pair<const wchar_t*, std::pair<const wchar_t*, const wchar_t*>> locales[] = {
      {L"de",
       {L"Corvald Tavrin – Installationsprogramm",
        L"Der Aktualisierungsdienst hat einen Fehler gemeldet (HTTP 500). Bitte versuchen "
        L"Sie es später erneut."}},
      {L"ja",
       {L"Corvald Tavrin インストーラー",
        L"更新サービスからエラーが返されました (HTTP "
        L"500)。しばらくしてから、もう一度お試しください。"}},
  };
  for (const auto& [code, texts] : locales) {
    start({{L"APP_INSTALLER_LOCALE", code}});
    HWND window = main_window(texts.first);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(status_becomes(window, texts.second, 30s)) << log();
    shot(std::string(code, code + 2));
    close_window(window);
    EXPECT_EQ(stub_->wait(20s), 0ul);
  }
}

}  // namespace
}  // namespace corvald::e2e
