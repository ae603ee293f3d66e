#include "main/windowed_mode.hpp"

#include "platform/windows.hpp"

#include <memory>
#include <system_error>
#include <thread>

#include "feedback_dialog/feedback_dialog_win.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "main/ui_platform_win.hpp"
#include "startup/run_mode.hpp"
#include "ui/main_window_win.hpp"
#include "worker/worker.hpp"

namespace corvald {
namespace {

int ui_failure(const StubError& error) {
  log_info("[FAIL] UI: {}", error.display());
  log_where("[FAIL] ", error);
  return static_cast<int>(ExitCode::failed);
}

// One loop for the main window and every feedback dialog: the dialog manager of each message's
// top-level window gets it first, which gives all of them Tab and Enter navigation.
void run_message_loop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (root == nullptr || !IsDialogMessageW(root, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

int run_windowed(const RunSettings& settings) {
  if (auto ready = set_up_ui_platform(); !ready) return ui_failure(ready.error());

  // One clock for the status, the window, its dialogs and the worker: the window's pause after
  // a success is measured from the status's finish.
  const Clock* clock = &Clock::real();
  auto status = std::make_shared<UiStatus>(*clock);
  auto cancel = std::make_shared<CancelFlag>();
  auto window = ui::MainWindow::build(
      status, cancel,
      [settings, clock] { feedback_dialog::open_feedback_dialog(settings, *clock); },
      settings.screenshot_dir, *clock);
  if (!window) return ui_failure(window.error());

  try {
    // Never joined: returning from the entry point ends a worker that is still busy.
    std::thread([status, cancel, settings, clock] {
      run_worker(status, cancel, settings, *clock);
    }).detach();
  } catch (const std::system_error& e) {
    return ui_failure(
        StubError::system_failure(std::string("starting the install worker failed: ") + e.what(),
                                  static_cast<std::uint32_t>(e.code().value())));
  }
  run_message_loop();
  window->reset();
  return static_cast<int>(ExitCode::ok);
}

}  // namespace corvald
