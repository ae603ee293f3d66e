// The window part of ./dev demo: corvald-setup.exe started as a user starts it, watched and
// driven from this process the way UI-automation tools do, with a picture of the screen at each
// state. First an install that the window follows to its own close, then a run whose feed fails
// and whose user sends feedback through the dialog. Given a picture name, it only takes that
// one picture of an install's success line, for a run at another display scale.
//   window_tour.exe STUB_EXE LOCALAPPDATA SERVICE_URL SHOTS_DIR(Linux path) [PICTURE]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "child_run.hpp"
#include "linux_side.hpp"
#include "net/http_client.hpp"
#include "platform/wide.hpp"
#include "ui_automation.hpp"

namespace {

using namespace corvald;
using namespace corvald::e2e;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kCaption[] = L"Corvald Tavrin Installer";
constexpr wchar_t kDialog[] = L"Send Feedback";
constexpr std::size_t kStatus = 5, kProgress = 6, kFeedback = 7;       // main window controls
constexpr std::size_t kDescription = 1, kDialogStatus = 2, kSend = 4;  // dialog controls

struct Tour {
  std::filesystem::path stub;
  std::wstring local_app_data;
  std::string service;
  std::string shots;
  Clock::time_point t0;
  int failures = 0;

  double since_start() const { return std::chrono::duration<double>(Clock::now() - t0).count(); }

  void shot(const std::string& name) {
    if (save_screen_png(shots, name)) {
      std::printf("  picture: %s/%s.png\n", shots.c_str(), name.c_str());
    } else {
      std::printf("  picture: %s could not be taken\n", name.c_str());
    }
  }

  void fail(const char* what) {
    std::printf("  FAILED: %s\n", what);
    ++failures;
  }

  std::optional<RunningChild> start() {
    ChildRun run;
    run.program = stub;
    run.env[L"LOCALAPPDATA"] = local_app_data;
    run.env[L"APP_INSTALLER_SERVICE_URL"] = platform::widen(service);
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = std::nullopt;
    run.env[L"CORVALD_DEMO_EXIT_AFTER_MS"] = L"2500";  // the launched app shows itself, then ends
    t0 = Clock::now();
    return RunningChild::start(run);
  }

  bool control(const std::string& what) {
    auto client = net::HttpClient::open("corvald-window-tour");
    if (!client) return false;
    auto reply = client->post(service + "/__control/" + what, {}, "");
    return reply && reply->status == 200;
  }

  static std::string text(HWND w) { return platform::narrow(text_of(w)).value_or("?"); }

  void install() {
    std::printf("  --- a windowed install: the window a user meets ---\n");
    auto child = start();
    if (!child) return fail("corvald-setup.exe did not start");
    HWND window = wait_for_window(child->pid(), kCaption, 30s);
    if (window == nullptr) return fail("no window appeared");
    std::printf("  +%5.2f s  window \"Corvald Tavrin Installer\" shown\n", since_start());
    const auto controls = controls_of(window);
    if (controls.size() != 9) return fail("the window does not have its nine controls");
    shot("1-window");
    std::string last;
    bool shot_download = false;
    double success_at = -1;
    while (has_window(child->pid(), kCaption) && since_start() < 120) {
      const std::string now = text(controls[kStatus].handle);
      if (now != last && !now.empty()) {
        std::printf("  +%5.2f s  status: %s  (bar %d/1000)\n", since_start(), now.c_str(),
                    progress_position(controls[kProgress].handle));
        last = now;
        if (!shot_download && (now.starts_with("Preparing") || now.starts_with("Downloading"))) {
          shot("2-downloading");
          shot_download = true;
        }
        if (now.starts_with("Starting Corvald Tavrin")) {
          success_at = since_start();
          shot("3-done");
        }
      }
      Sleep(50);
    }
    const double closed_at = since_start();
    const auto code = child->wait(30s);
    std::printf("  +%5.2f s  the window closed itself", closed_at);
    if (success_at >= 0) std::printf(", %.2f s after the success line", closed_at - success_at);
    std::printf("; exit code %lu\n", code.value_or(999));
    if (success_at < 0) fail("the success line was not seen");
    if (code != 0ul) fail("exit code is not 0");
  }

  void picture(const std::string& name) {
    auto child = start();
    if (!child) return fail("corvald-setup.exe did not start");
    HWND window = wait_for_window(child->pid(), kCaption, 30s);
    if (window == nullptr) return fail("no window appeared");
    const auto controls = controls_of(window);
    if (controls.size() != 9) return fail("the window does not have its nine controls");
    // The success line with a full bar shows the most; the window stays 2 s on it.
    const bool done = wait_until(
        [&] { return text(controls[kStatus].handle).starts_with("Starting Corvald Tavrin"); }, 60s);
    if (!done) fail("the success line was not seen");
    shot(name);
    std::printf("  the window closed itself; exit code %lu\n", child->wait(30s).value_or(999));
  }

  void feedback() {
    std::printf("  --- a failed feed, and the user sends feedback from the window ---\n");
    if (!control("set?feed_status=500")) return fail("the devserver did not take feed_status=500");
    auto child = start();
    if (!child) return fail("corvald-setup.exe did not start");
    HWND window = wait_for_window(child->pid(), kCaption, 30s);
    if (window == nullptr) return fail("no window appeared");
    const auto controls = controls_of(window);
    wait_until([&] { return text(controls[kStatus].handle).find("HTTP 500") != std::string::npos; },
               30s);
    std::printf("  status: %s\n", text(controls[kStatus].handle).c_str());
    shot("4-error");
    click(controls[kFeedback].handle);
    HWND dialog = wait_for_window(child->pid(), kDialog, 10s);
    if (dialog == nullptr) return fail("no feedback dialog appeared");
    const auto parts = controls_of(dialog);
    set_text(parts[kDescription].handle, L"The installer stopped with an HTTP 500 error.");
    shot("5-feedback");
    const auto sent_from = Clock::now();
    click(parts[kSend].handle);
    const bool sent =
        wait_until([&] { return text(parts[kDialogStatus].handle).starts_with("Thanks"); }, 60s);
    const double took = std::chrono::duration<double>(Clock::now() - sent_from).count();
    std::printf("  dialog: %s\n", text(parts[kDialogStatus].handle).c_str());
    if (!sent) return fail("the feedback was not sent");
    std::printf("  Send to \"sent\": %.2f s\n", took);
    shot("6-sent");
    if (!wait_until([&] { return !IsWindowVisible(dialog); }, 10s)) {
      fail("the dialog did not close after sending");
    }
    close_window(window);
    std::printf("  window closed by the user; exit code %lu\n", child->wait(20s).value_or(999));
    (void)control("set?feed_status=");
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "usage: window_tour STUB_EXE LOCALAPPDATA SERVICE_URL SHOTS_DIR [PICTURE]\n");
    return 2;
  }
  Tour tour;
  tour.stub = argv[1];
  tour.local_app_data = argv[2];
  tour.service = platform::narrow(argv[3]).value_or("");
  tour.shots = platform::narrow(argv[4]).value_or("");
  if (argc == 6) {
    tour.picture(platform::narrow(argv[5]).value_or("scaled"));
  } else {
    tour.install();
    tour.feedback();
  }
  return tour.failures == 0 ? 0 : 1;
}
