#include "feedback_dialog/feedback_dialog_win.hpp"

#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "feedback_dialog/dialog_layout.hpp"
#include "feedback_dialog/feedback_shared.hpp"
#include "feedback_dialog/feedback_upload.hpp"
#include "i18n/i18n.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/wide.hpp"
#include "ui/button_row_win.hpp"
#include "ui/dpi_win.hpp"
#include "ui/fonts_win.hpp"
#include "ui/label_win.hpp"
#include "ui/win32_failure_win.hpp"
#include "ui/window_class_win.hpp"
#include "ui/window_icons_win.hpp"

namespace corvald::feedback_dialog {
namespace {

constexpr DWORD dialog_style = WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
constexpr UINT_PTR poll_timer = 1;
constexpr UINT poll_ms = 120;
constexpr DWORD button_style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY;
constexpr DWORD description_style =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN;

std::string window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int read = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(read > 0 ? read : 0));
  return platform::narrow(text).value_or(std::string());
}

SIZE client_at(int dpi) {
  const DialogLayout l = dialog_layout(ui::Scale(dpi));
  return {l.client_width, l.client_height};
}

struct DialogFonts {
  ui::UniqueFont body;
  ui::UniqueFont small;
};

Result<DialogFonts> create_fonts(const DialogLayout& layout) {
  auto body = ui::create_ui_font(layout.body_font, 400);
  if (!body) return std::move(body).error();
  auto small = ui::create_ui_font(layout.small_font, 400);
  if (!small) return std::move(small).error();
  return DialogFonts{std::move(body).value(), std::move(small).value()};
}

class FeedbackDialog final : public ui::WindowHandler {
 public:
  // The dialog owns itself from here on: it lives as long as its window.
  static Result<void> open(const RunSettings& settings, const Clock& clock) {
    std::unique_ptr<FeedbackDialog> dialog(new FeedbackDialog(settings, clock));
    if (auto built = dialog->build(); !built) return built;
    (void)dialog.release();
    return Ok{};
  }

  ~FeedbackDialog() override {
    if (window_ != nullptr && IsWindow(window_)) {
      // Only a dialog whose build failed part-way gets here with its window still up.
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
  }

 private:
  FeedbackDialog(const RunSettings& settings, const Clock& clock)
      : settings_(settings), clock_(clock), shared_(std::make_shared<FeedbackShared>()) {}

  Result<void> build();
  LRESULT on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_send();
  void on_poll();
  void on_dpi_changed(int dpi, const RECT& suggested);
  void fit_button_row();
  void set_controls_enabled(bool enabled);
  void close();

  const RunSettings settings_;
  const Clock clock_;
  SharedFeedback shared_;
  DialogLayout layout_ = dialog_layout(ui::Scale(ui::design_dpi));
  DialogFonts fonts_;
  ui::WindowIcons icons_;
  HWND window_ = nullptr;
  HWND hint_ = nullptr;
  HWND description_ = nullptr;
  HWND status_ = nullptr;
  HWND cancel_ = nullptr;
  HWND send_ = nullptr;
};

Result<void> FeedbackDialog::build() {
  // The window comes first: its monitor's DPI decides the sizes of everything else.
  auto window = ui::create_centred_window(L"Send Feedback", dialog_style, client_at, *this);
  if (!window) return window.error();
  window_ = *window;
  const int dpi = ui::window_dpi(window_);
  layout_ = dialog_layout(ui::Scale(dpi));
  icons_.show(window_, dpi);
  auto fonts = create_fonts(layout_);
  if (!fonts) return fonts.error();
  fonts_ = std::move(fonts).value();
  const DialogLayout& l = layout_;

  auto hint = ui::create_label(
      window_, l.hint, fonts_.body.get(),
      L"Describe the issue you're seeing (optional). Your install log will be included so "
      L"support can diagnose.");
  if (!hint) return hint.error();
  hint_ = *hint;
  auto description = ui::create_child(window_, {L"EDIT", description_style, 0, l.description, L""},
                                      fonts_.body.get());
  if (!description) return description.error();
  description_ = *description;
  auto status = ui::create_label(window_, l.status, fonts_.small.get(), L"");
  if (!status) return status.error();
  status_ = *status;
  auto cancel = ui::create_child(window_, {L"BUTTON", button_style, 0, l.cancel, L"Cancel"},
                                 fonts_.body.get());
  if (!cancel) return cancel.error();
  cancel_ = *cancel;
  auto send =
      ui::create_child(window_, {L"BUTTON", button_style, 0, l.send, L"Send"}, fonts_.body.get());
  if (!send) return send.error();
  send_ = *send;

  if (SetTimer(window_, poll_timer, poll_ms, nullptr) == 0) {
    return ui::win32_failure("SetTimer");
  }
  ui::set_window_text(window_, i18n::tr("ui.feedback.title"));
  ui::set_window_text(hint_, i18n::tr("ui.feedback.hint"));
  ui::set_window_text(cancel_, i18n::tr("ui.feedback.button.cancel"));
  ui::set_window_text(send_, i18n::tr("ui.feedback.button.send"));
  fit_button_row();
  return Ok{};
}

void FeedbackDialog::fit_button_row() {
  const ui::RowButton row[] = {{cancel_, layout_.cancel.width}, {send_, layout_.send.width}};
  ui::fit_button_row(row,
                     {layout_.button_row_right, layout_.button_gap, layout_.button_text_margin});
}

// Moved to a monitor of another scale: the size Windows suggests, new fonts, controls laid out
// again for the new DPI.
void FeedbackDialog::on_dpi_changed(int dpi, const RECT& suggested) {
  ui::move_to_suggested(window_, suggested);
  if (send_ == nullptr) return;  // still being built, at the DPI it reads then
  icons_.show(window_, dpi);
  const DialogLayout next = dialog_layout(ui::Scale(dpi));
  auto fonts = create_fonts(next);
  if (!fonts) return;  // the old sizes stay with the old fonts
  layout_ = next;
  const ui::ControlAtScale controls[] = {{hint_, next.hint, fonts->body.get()},
                                         {description_, next.description, fonts->body.get()},
                                         {status_, next.status, fonts->small.get()},
                                         {cancel_, next.cancel, fonts->body.get()},
                                         {send_, next.send, fonts->body.get()}};
  ui::lay_out(controls);
  fonts_ = std::move(fonts).value();  // the old ones are no longer drawn with
  fit_button_row();
}

void FeedbackDialog::set_controls_enabled(bool enabled) {
  for (HWND control : {send_, cancel_, description_}) EnableWindow(control, enabled);
}

void FeedbackDialog::on_send() {
  if (shared_->sending.load()) return;
  const std::string description = window_text(description_);
  shared_->sending.store(true);
  set_controls_enabled(false);
  ui::set_window_text(status_, i18n::tr("ui.feedback.status.sending"));
  try {
    // The thread holds the shared state only, never the dialog: a dialog closed meanwhile
    // lets the upload run to its end unseen.
    std::thread([shared = shared_, description, settings = settings_, clock = clock_] {
      store_outcome(*shared, upload_feedback(description, settings), clock.now());
    }).detach();
  } catch (const std::system_error& e) {
    store_outcome(*shared_, {false, std::string("starting the upload failed: ") + e.what()},
                  clock_.now());
  }
}

void FeedbackDialog::on_poll() {
  const PollView view = poll(*shared_, clock_.now());
  if (view.kind == PollView::Kind::nothing) return;
  ui::set_window_text(status_, view.status_text);
  if (view.kind == PollView::Kind::failed) set_controls_enabled(true);
  if (view.close) close();
}

void FeedbackDialog::close() {
  KillTimer(window_, poll_timer);
  ShowWindow(window_, SW_HIDE);
}

LRESULT FeedbackDialog::on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == poll_timer) on_poll();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) {
        const auto from = reinterpret_cast<HWND>(lparam);
        if (from == send_) on_send();
        if (from == cancel_ && !shared_->sending.load()) close();
      }
      return 0;
    case WM_DPICHANGED:
      on_dpi_changed(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CLOSE: close(); break;
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
      window_ = nullptr;
      delete this;
      return result;
    }
    default: break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void open_feedback_dialog(const RunSettings& settings, const Clock& clock) {
  if (auto opened = FeedbackDialog::open(settings, clock); !opened) {
    log_info("[feedback-ui] build_ui failed: {}", opened.error().display());
    log_where("[feedback-ui] ", opened.error());
  }
}

}  // namespace corvald::feedback_dialog
