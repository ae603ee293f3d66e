// What the windowed scenarios share: corvald-setup.exe started plainly on the test display
// against the devserver named by CORVALD_DEVSERVER_DIR, which serves the real demo installer
// 1.5.0, and its main window found from this process.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "child_run.hpp"
#include "demo_install.hpp"
#include "devserver_port.hpp"
#include "devserver_records.hpp"
#include "linux_side.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"
#include "ui_automation.hpp"

namespace corvald::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kCaption[] = L"Corvald Tavrin Installer";
constexpr wchar_t kHttp500[] =
    L"The update service returned an error (HTTP 500). Please try again later.";

// The window's controls in creation order: class, left, top, width, height.
struct Expected {
  const wchar_t* class_name;
  int x, y, width, height;
};
constexpr Expected kLayout[] = {
    {L"Static", 28, 28, 88, 88},
    {L"Static", 132, 30, 400, 30},
    {L"Static", 132, 66, 400, 20},
    {L"Edit", 28, 124, 521, 136},
    {L"CorvaldTavrinSeparator", 28, 276, 504, 1},
    {L"Static", 28, 292, 504, 24},
    {L"msctls_progress32", 28, 326, 504, 24},
    {L"Button", 388, 366, 72, 28},
    {L"Button", 468, 366, 64, 28},
};
// Checks the controls of `window` against `layout`, in creation order, and that exactly the
// controls whose indexes `tab_stops` names are tab stops.
inline void expect_controls(HWND window, std::span<const Expected> layout,
                            std::initializer_list<std::size_t> tab_stops) {
  const auto controls = controls_of(window);
  ASSERT_EQ(controls.size(), layout.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const auto& c = controls[i];
    const auto& e = layout[i];
    EXPECT_EQ(c.class_name, e.class_name) << "control " << i;
    EXPECT_EQ(c.rect.left, e.x) << "control " << i;
    EXPECT_EQ(c.rect.top, e.y) << "control " << i;
    EXPECT_EQ(c.rect.right - c.rect.left, e.width) << "control " << i;
    EXPECT_EQ(c.rect.bottom - c.rect.top, e.height) << "control " << i;
    EXPECT_TRUE(c.visible) << "control " << i;
    const bool tab_stop = std::find(tab_stops.begin(), tab_stops.end(), i) != tab_stops.end();
    EXPECT_EQ((c.style & WS_TABSTOP) != 0, tab_stop) << "control " << i;
  }
}

enum Index { logo, name, version, intro, separator, status, progress, feedback, about };

constexpr wchar_t kDialog[] = L"Send Feedback";
// The feedback dialog's controls, as kLayout.
constexpr Expected kDialogLayout[] = {
    {L"Static", 16, 12, 430, 40},  {L"Edit", 16, 58, 430, 150},   {L"Static", 16, 216, 430, 20},
    {L"Button", 300, 250, 70, 28}, {L"Button", 378, 250, 70, 28},
};
enum DialogIndex { hint, description, dialog_status, cancel, send };

class WindowedE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = devserver_base_url();
    ASSERT_FALSE(base_.empty()) << "no running devserver in CORVALD_DEVSERVER_DIR";
    ASSERT_TRUE(devserver_control("reset"));
    forget_installation();
    home_ = fresh_folder(std::string("windowed-") + test_name());
    fs::create_directories(home_ / "LocalAppData");
    marker_ = home_ / "launched.txt";
  }

  void TearDown() override {
    stub_.reset();  // a stub still running is ended before its installation is removed
    (void)devserver_control("set?feed_status=&rate=0");
    forget_installation();
  }

  static std::string test_name() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  fs::path local_app_data() const { return home_ / "LocalAppData"; }

  void start(std::map<std::wstring, std::optional<std::wstring>> env = {}) {
    ChildRun run;
    run.program = stub_exe();
    run.env[L"LOCALAPPDATA"] = local_app_data().wstring();
    run.env[L"APP_INSTALLER_SERVICE_URL"] = std::wstring(base_.begin(), base_.end());
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = std::nullopt;  // the service's own endpoint
    run.env[L"APP_INSTALLER_REPORT_LOG"] = std::nullopt;
    run.env[L"APP_INSTALLER_SKIP_INSTALL"] = std::nullopt;
    run.env[L"APP_INSTALLER_LOCALE"] = L"en";
    run.env[L"CORVALD_DEMO_MARKER"] = marker_.wstring();
    run.env[L"CORVALD_DEMO_EXIT_AFTER_MS"] = L"200";
    for (auto& [name, value] : env) run.env[name] = value;
    stub_.reset();
    auto started = RunningChild::start(run);
    ASSERT_TRUE(started) << "corvald-setup.exe did not start";
    stub_.emplace(std::move(*started));
  }

  HWND main_window(const std::wstring& caption = kCaption) {
    HWND w = wait_for_window(stub_->pid(), caption, 30s);
    EXPECT_NE(w, nullptr) << "no window captioned as expected; log:\n" << log();
    return w;
  }

  // Waits until the status line shows `text`.
  bool status_becomes(HWND window, const std::wstring& text, std::chrono::milliseconds timeout) {
    return wait_until([&] { return text_of(controls_of(window)[status].handle) == text; }, timeout);
  }

  void shot(const std::string& state) {
    save_screen_png(CORVALD_SCREENSHOT_DIR, test_name() + "-" + state);
  }

  // What the picture of `state` shows at screen point (x, y).
  std::optional<COLORREF> shot_pixel(const std::string& state, int x, int y) {
    return screen_png_pixel(CORVALD_SCREENSHOT_DIR, test_name() + "-" + state, x, y);
  }

  std::string log() const { return stub_log(local_app_data()); }

  std::string base_;
  fs::path home_;
  fs::path marker_;
  std::optional<RunningChild> stub_;
};

}  // namespace corvald::e2e
