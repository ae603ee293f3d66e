// The main window of a windowed run: logo, product name, version line, introduction, status
// line, progress bar, Feedback and About. It never hears from the worker: a 100 ms tick copies
// the shared UiStatus into the controls, and closing the window sets the CancelFlag.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/clock.hpp"
#include "base/result.hpp"
#include "base/ui_status.hpp"
#include "ui/gdi_handles_win.hpp"
#include "ui/main_window_layout.hpp"
#include "ui/window_class_win.hpp"
#include "ui/window_icons_win.hpp"

namespace corvald::ui {

struct MainWindowFonts {
  UniqueFont title;
  UniqueFont body;
  UniqueFont small;
  UniqueFont status;
};

class MainWindow final : public WindowHandler {
 public:
  // Builds the window and its controls, visible and centred, with the tick running. The
  // window classes must be registered and COM initialised on this thread. `open_feedback` is
  // called on every click on Feedback. With a `screenshot_dir` the window saves a capture of
  // itself there every 2 seconds (APP_INSTALLER_SCREENSHOT_DIR). The pause before closing after
  // a success runs on `clock`, the one the status stamps its finish with.
  static Result<std::unique_ptr<MainWindow>> build(SharedUiStatus status, SharedCancelFlag cancel,
                                                   std::function<void()> open_feedback,
                                                   const std::optional<std::string>& screenshot_dir,
                                                   const Clock& clock = Clock::real());

  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() override;

  HWND window() const { return window_; }

 private:
  MainWindow(SharedUiStatus status, SharedCancelFlag cancel, std::function<void()> open_feedback,
             std::optional<std::wstring> screenshot_dir, const Clock& clock)
      : status_(std::move(status)),
        cancel_(std::move(cancel)),
        open_feedback_(std::move(open_feedback)),
        screenshot_dir_(std::move(screenshot_dir)),
        clock_(clock) {}

  Result<void> create_controls();
  void set_texts();
  // What is made again for each DPI.
  struct Scaled {
    UniqueBitmap logo;
    MainWindowFonts fonts;
  };
  Result<Scaled> load_scaled() const;
  void on_dpi_changed(int dpi, const RECT& suggested);
  void fit_button_row();
  LRESULT on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_tick();
  void on_about();
  void show_status(const std::string& text);
  void fit_status_lines();
  void place_status_lines();

  SharedUiStatus status_;
  SharedCancelFlag cancel_;
  std::function<void()> open_feedback_;
  std::optional<std::wstring> screenshot_dir_;
  const Clock clock_;
  MainWindowLayout layout_ = main_window_layout(Scale(design_dpi));
  WindowIcons icons_;
  UniqueBitmap logo_bitmap_;
  MainWindowFonts fonts_;
  HWND window_ = nullptr;
  HWND logo_ = nullptr;
  HWND product_name_ = nullptr;
  HWND version_ = nullptr;
  HWND intro_ = nullptr;
  HWND separator_ = nullptr;
  HWND status_label_ = nullptr;
  HWND progress_ = nullptr;
  HWND feedback_button_ = nullptr;
  HWND about_button_ = nullptr;
  std::string shown_status_;
  std::string shown_version_;
  bool status_on_two_lines_ = false;
};

}  // namespace corvald::ui
