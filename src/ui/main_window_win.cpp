#include "ui/main_window_win.hpp"

#include <commctrl.h>

#include <atomic>

#include "i18n/i18n.hpp"
#include "platform/wide.hpp"
#include "ui/button_row_win.hpp"
#include "ui/dpi_win.hpp"
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
constexpr UINT_PTR tick_timer = 1;
constexpr UINT tick_ms = 100;
constexpr DWORD button_style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY;

// Process-wide, as a capture names its file by how many came before it in this process.
std::atomic<std::uint32_t> tick_counter{0};
std::atomic<std::uint32_t> capture_counter{0};

Result<MainWindowFonts> create_fonts(const MainWindowFontHeights& heights) {
  MainWindowFonts f;
  auto title = create_ui_font(heights.title, 600);
  if (!title) return std::move(title).error();
  auto body = create_ui_font(heights.body, 400);
  if (!body) return std::move(body).error();
  auto small = create_ui_font(heights.small, 400);
  if (!small) return std::move(small).error();
  auto status = create_ui_font(heights.status, 500);
  if (!status) return std::move(status).error();
  f.title = std::move(title).value();
  f.body = std::move(body).value();
  f.small = std::move(small).value();
  f.status = std::move(status).value();
  return f;
}

SIZE client_at(int dpi) {
  const MainWindowLayout l = main_window_layout(Scale(dpi));
  return {l.client_width, l.client_height};
}

// The logo is shown unscaled and centred, so the control cuts its outer margin off (4 pixels at
// 96 DPI).
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

Result<std::unique_ptr<MainWindow>> MainWindow::build(
    SharedUiStatus status, SharedCancelFlag cancel, std::function<void()> open_feedback,
    const std::optional<std::string>& screenshot_dir, const Clock& clock) {
  std::optional<std::wstring> screenshot_folder;
  if (screenshot_dir) screenshot_folder = platform::widen(*screenshot_dir);
  std::unique_ptr<MainWindow> w(new MainWindow(std::move(status), std::move(cancel),
                                               std::move(open_feedback),
                                               std::move(screenshot_folder), clock));
  // The window comes first: its monitor's DPI decides the sizes of everything else.
  auto window = create_centred_window(L"Corvald Tavrin Installer", window_style, client_at, *w);
  if (!window) return std::move(window).error();
  w->window_ = *window;
  w->layout_ = main_window_layout(Scale(window_dpi(w->window_)));
  auto made = w->load_scaled();
  if (!made) return std::move(made).error();
  w->logo_bitmap_ = std::move(made->logo);
  w->fonts_ = std::move(made->fonts);
  w->icons_.show(w->window_, window_dpi(w->window_));
  if (auto created = w->create_controls(); !created) return created.error();
  if (SetTimer(w->window_, tick_timer, tick_ms, nullptr) == 0) {
    return win32_failure("SetTimer");
  }
  w->set_texts();
  return w;
}

Result<MainWindow::Scaled> MainWindow::load_scaled() const {
  Scaled made;
  auto logo = load_logo(layout_.logo_image);
  if (!logo) return std::move(logo).error();
  made.logo = std::move(logo).value();
  auto fonts = create_fonts(layout_.fonts);
  if (!fonts) return std::move(fonts).error();
  made.fonts = std::move(fonts).value();
  return made;
}

Result<void> MainWindow::create_controls() {
  constexpr DWORD logo_style = WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY;
  constexpr DWORD intro_style =
      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN;
  constexpr DWORD separator_style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN;
  const MainWindowLayout& l = layout_;

  auto logo = create_child(window_, {L"STATIC", logo_style, 0, l.logo}, nullptr);
  if (!logo) return logo.error();
  logo_ = *logo;
  show_logo(logo_, logo_bitmap_.get());

  auto name = create_label(window_, l.product_name, fonts_.title.get(), L"Corvald Tavrin");
  if (!name) return name.error();
  product_name_ = *name;
  auto version = create_label(window_, l.version, fonts_.small.get(), L"");
  if (!version) return version.error();
  version_ = *version;

  auto intro = create_child(window_, {L"EDIT", intro_style, 0, l.intro, L""}, fonts_.body.get());
  if (!intro) return intro.error();
  intro_ = *intro;
  SendMessageW(intro_, EM_SETREADONLY, TRUE, 0);

  auto separator = create_child(
      window_, {separator_class, separator_style, WS_EX_CONTROLPARENT, l.separator}, nullptr);
  if (!separator) return separator.error();
  separator_ = *separator;

  auto status = create_label(window_, l.status, fonts_.status.get(), L"Starting…");
  if (!status) return status.error();
  status_label_ = *status;

  auto progress =
      create_child(window_, {PROGRESS_CLASSW, WS_CHILD | WS_VISIBLE, 0, l.progress}, nullptr);
  if (!progress) return progress.error();
  progress_ = *progress;
  reset_progress(progress_);

  auto feedback = create_child(window_, {L"BUTTON", button_style, 0, l.feedback, L"Feedback"},
                               fonts_.body.get());
  if (!feedback) return feedback.error();
  feedback_button_ = *feedback;
  auto about =
      create_child(window_, {L"BUTTON", button_style, 0, l.about, L"About"}, fonts_.body.get());
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
  fit_button_row();
}

void MainWindow::fit_button_row() {
  const RowButton row[] = {{feedback_button_, layout_.feedback.width},
                           {about_button_, layout_.about.width}};
  ui::fit_button_row(row,
                     {layout_.button_row_right, layout_.button_gap, layout_.button_text_margin});
}

// The window moved to a monitor of another scale: it takes the size Windows suggests, and its
// fonts, logo, icons and controls are made again for the new DPI.
void MainWindow::on_dpi_changed(int dpi, const RECT& suggested) {
  move_to_suggested(window_, suggested);
  if (about_button_ == nullptr) return;  // still being built, at the DPI it reads then
  const MainWindowLayout previous = layout_;
  layout_ = main_window_layout(Scale(dpi));
  auto made = load_scaled();
  if (!made) {
    layout_ = previous;  // the old sizes stay with the old fonts
    return;
  }
  icons_.show(window_, dpi);
  // The control gives back the old bitmap and show_logo deletes it.
  (void)logo_bitmap_.release();
  logo_bitmap_ = std::move(made->logo);
  show_logo(logo_, logo_bitmap_.get());
  const MainWindowFonts& f = made->fonts;
  const MainWindowLayout& l = layout_;
  const ControlAtScale controls[] = {{logo_, l.logo, nullptr},
                                     {product_name_, l.product_name, f.title.get()},
                                     {version_, l.version, f.small.get()},
                                     {intro_, l.intro, f.body.get()},
                                     {separator_, l.separator, nullptr},
                                     {status_label_, l.status, f.status.get()},
                                     {progress_, l.progress, nullptr},
                                     {feedback_button_, l.feedback, f.body.get()},
                                     {about_button_, l.about, f.body.get()}};
  lay_out(controls);
  fonts_ = std::move(made->fonts);  // the old ones are no longer drawn with
  status_on_two_lines_ = label_text_lines(status_label_) > 1;
  place_status_lines();
  fit_button_row();
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
  place_status_lines();
}

void MainWindow::place_status_lines() {
  place(status_label_, status_on_two_lines_ ? layout_.status_two_lines : layout_.status);
  place(progress_, status_on_two_lines_ ? layout_.progress_below_two_lines : layout_.progress);
}

void MainWindow::on_tick() {
  const TickView view = decide_tick(status_->snapshot(), clock_.now());
  if (view.status_text) show_status(*view.status_text);
  SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(view.progress_position), 0);
  if (view.version_line && *view.version_line != shown_version_) {
    shown_version_ = *view.version_line;
    set_window_text(version_, shown_version_);
  }
  if (capture_due(tick_counter.fetch_add(1)) && IsWindow(window_)) {
    if (screenshot_dir_) capture_window(window_, *screenshot_dir_, capture_counter);
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
    case WM_DPICHANGED:
      on_dpi_changed(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CLOSE:
      // No confirmation in any phase. The flag stops a worker between its steps, but nothing
      // waits for it: the message loop ends here, and the process ends with it, worker and all.
      cancel_->cancel();
      PostQuitMessage(0);
      break;
    default: break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace corvald::ui
