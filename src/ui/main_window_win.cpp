#include "ui/main_window_win.hpp"

#include <commctrl.h>

#include <atomic>

#include "i18n/i18n.hpp"
#include "platform/env.hpp"
#include "platform/env_names.hpp"
#include "platform/wide.hpp"
#include "ui/button_row_win.hpp"
#include "ui/embedded_images_win.hpp"
#include "ui/fonts_win.hpp"
#include "ui/label_win.hpp"
#include "ui/tick.hpp"
#include "ui/win32_failure_win.hpp"
#include "ui/window_capture.hpp"
#include "ui/window_capture_win.hpp"
#include "ui/window_texts.hpp"

namespace corvald::ui {
namespace {

constexpr DWORD window_style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
constexpr int client_width = 560;
constexpr int client_height = 420;
constexpr UINT_PTR tick_timer = 1;
constexpr UINT tick_ms = 100;
constexpr DWORD button_style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY;

// Process-wide, as a capture names its file by how many came before it in this process.
std::atomic<std::uint32_t> tick_counter{0};
std::atomic<std::uint32_t> capture_counter{0};

Result<MainWindowFonts> create_fonts() {
  MainWindowFonts f;
  auto title = create_ui_font(22, 600);
  if (!title) return std::move(title).error();
  auto body = create_ui_font(14, 400);
  if (!body) return std::move(body).error();
  auto small = create_ui_font(12, 400);
  if (!small) return std::move(small).error();
  auto status = create_ui_font(15, 500);
  if (!status) return std::move(status).error();
  f.title = std::move(title).value();
  f.body = std::move(body).value();
  f.small = std::move(small).value();
  f.status = std::move(status).value();
  return f;
}

// The logo is shown unscaled and centred, so the control cuts its outer 4 pixels off.
void show_logo(HWND control, HBITMAP logo) {
  auto previous = reinterpret_cast<HBITMAP>(
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo)));
  if (previous != nullptr && previous != logo) DeleteObject(previous);
}

void reset_progress(HWND bar) {
  SendMessageW(bar, PBM_SETSTATE, PBST_NORMAL, 0);
  SendMessageW(bar, PBM_SETSTEP, 1, 0);
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  SendMessageW(bar, PBM_SETRANGE32, 0, progress_range);
  SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
}

}  // namespace

Result<std::unique_ptr<MainWindow>> MainWindow::build(SharedUiStatus status,
                                                      SharedCancelFlag cancel,
                                                      std::function<void()> open_feedback) {
  std::unique_ptr<MainWindow> w(
      new MainWindow(std::move(status), std::move(cancel), std::move(open_feedback)));
  w->icon_ = load_window_icon();
  auto logo = load_logo();
  if (!logo) return std::move(logo).error();
  w->logo_bitmap_ = std::move(logo).value();
  auto fonts = create_fonts();
  if (!fonts) return std::move(fonts).error();
  w->fonts_ = std::move(fonts).value();

  auto window = create_centred_window(L"Corvald Tavrin Installer", window_style, client_width,
                                      client_height, *w);
  if (!window) return std::move(window).error();
  w->window_ = *window;
  // A missing icon of our own falls back to the shared stock icon, which is never destroyed.
  HICON icon = w->icon_ ? w->icon_.get()
                        : static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32513),
                                                        IMAGE_ICON, 0, 0,
                                                        LR_SHARED | LR_DEFAULTSIZE));
  SendMessageW(w->window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  if (auto created = w->create_controls(); !created) return created.error();
  if (SetTimer(w->window_, tick_timer, tick_ms, nullptr) == 0) {
    return win32_failure("SetTimer");
  }
  w->set_texts();
  return w;
}

Result<void> MainWindow::create_controls() {
  constexpr DWORD logo_style = WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY;
  constexpr DWORD intro_style =
      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN;
  constexpr DWORD separator_style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN;

  auto logo = create_child(window_, {L"STATIC", logo_style, 0, 28, 28, 88, 88}, nullptr);
  if (!logo) return logo.error();
  logo_ = *logo;
  show_logo(logo_, logo_bitmap_.get());

  auto name = create_label(window_, 132, 30, 400, 30, fonts_.title.get(), L"Corvald Tavrin");
  if (!name) return name.error();
  product_name_ = *name;
  auto version = create_label(window_, 132, 66, 400, 20, fonts_.small.get(), L"");
  if (!version) return version.error();
  version_ = *version;

  auto intro = create_child(window_, {L"EDIT", intro_style, 0, 28, 124, 521, 136, L""},
                            fonts_.body.get());
  if (!intro) return intro.error();
  intro_ = *intro;
  SendMessageW(intro_, EM_SETREADONLY, TRUE, 0);

  auto separator = create_child(
      window_, {separator_class, separator_style, WS_EX_CONTROLPARENT, 28, 276, 504, 1}, nullptr);
  if (!separator) return separator.error();
  separator_ = *separator;

  auto status = create_label(window_, 28, 292, 504, 24, fonts_.status.get(), L"Starting…");
  if (!status) return status.error();
  status_label_ = *status;

  auto progress = create_child(window_, {PROGRESS_CLASSW, WS_CHILD | WS_VISIBLE, 0, 28, 326, 504,
                                         24}, nullptr);
  if (!progress) return progress.error();
  progress_ = *progress;
  reset_progress(progress_);

  auto feedback = create_child(
      window_, {L"BUTTON", button_style, 0, 388, 366, 72, 28, L"Feedback"}, fonts_.body.get());
  if (!feedback) return feedback.error();
  feedback_button_ = *feedback;
  auto about = create_child(window_, {L"BUTTON", button_style, 0, 468, 366, 64, 28, L"About"},
                            fonts_.body.get());
  if (!about) return about.error();
  about_button_ = *about;
  return Ok{};
}

void MainWindow::set_texts() {
  set_window_text(window_, window_title());
  shown_version_ = version_subtitle();
  set_window_text(version_, shown_version_);
  set_window_text(intro_, with_crlf_line_ends(i18n::tr("ui.intro")));
  show_status(i18n::tr("ui.status.starting"));
  set_window_text(about_button_, i18n::tr("ui.button.about"));
  set_window_text(feedback_button_, i18n::tr("ui.button.feedback"));
  const RowButton row[] = {{feedback_button_, 72}, {about_button_, 64}};
  fit_button_row(row, 532, 8);
}

MainWindow::~MainWindow() {
  // The handler must outlive its window's last messages, and the fonts and bitmaps the
  // controls still draw with.
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void MainWindow::show_status(const std::string& text) {
  // Setting an unchanged text again would only make the label flicker.
  if (text == shown_status_) return;
  shown_status_ = text;
  set_window_text(status_label_, text);
  fit_status_lines();
}

// Several translations of the error lines are longer than the status line: such a text gets a
// second line, and the progress bar moves down into the space above the buttons to make room.
void MainWindow::fit_status_lines() {
  const bool two_lines = label_text_lines(status_label_) > 1;
  if (two_lines == status_on_two_lines_) return;
  status_on_two_lines_ = two_lines;
  constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(status_label_, nullptr, 28, 292, 504, two_lines ? 42 : 24, flags);
  SetWindowPos(progress_, nullptr, 28, two_lines ? 338 : 326, 504, two_lines ? 20 : 24, flags);
}

void MainWindow::on_tick() {
  const TickView view = decide_tick(status_->snapshot(), std::chrono::steady_clock::now());
  if (view.status_text) show_status(*view.status_text);
  SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(view.progress_position), 0);
  if (view.version_line && *view.version_line != shown_version_) {
    shown_version_ = *view.version_line;
    set_window_text(version_, shown_version_);
  }
  if (capture_due(tick_counter.fetch_add(1)) && IsWindow(window_)) {
    if (const auto folder = platform::env_var(env_name::screenshot_dir)) {
      capture_window(window_, platform::widen(*folder), capture_counter);
    }
  }
  if (view.after == AfterTick::stop_and_stay) {
    KillTimer(window_, tick_timer);
  } else if (view.after == AfterTick::stop_and_quit) {
    KillTimer(window_, tick_timer);
    PostQuitMessage(0);
  }
}

void MainWindow::on_about() {
  MessageBoxW(window_, platform::widen(about_body()).c_str(),
              platform::widen(about_title()).c_str(), MB_OK | MB_ICONINFORMATION);
}

LRESULT MainWindow::on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == tick_timer) on_tick();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) {
        const auto from = reinterpret_cast<HWND>(lparam);
        if (from == about_button_) on_about();
        if (from == feedback_button_ && open_feedback_) open_feedback_();
      }
      return 0;
    case WM_CLOSE:
      // No confirmation in any phase: the worker sees the flag and stops where it is.
      cancel_->cancel();
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace corvald::ui
