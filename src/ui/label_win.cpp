#include "ui/label_win.hpp"

#include <algorithm>
#include <string>

#include "ui/layout.hpp"
#include "ui/window_class_win.hpp"

namespace corvald::ui {
namespace {

constexpr DWORD label_style = WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_LEFT;
const auto margin_brush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));

// The STATIC class's own procedure, the same for every label of the process.
WNDPROC static_proc = nullptr;

std::wstring text_of(HWND label) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct TextMetrics {
  int line_height = 0;
  int wrapped_lines = 1;  // lines the text takes when word-wrapped to the label's width
};

TextMetrics measure(HWND label, const std::wstring& text, int width) {
  TextMetrics m;
  HDC dc = GetDC(label);
  if (dc == nullptr) return m;
  auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const std::wstring sample = text.empty() ? std::wstring(L"Ky") : text.substr(0, 2);
  RECT line{0, 0, 0, 0};
  DrawTextW(dc, sample.c_str(), static_cast<int>(sample.size()), &line, DT_CALCRECT | DT_NOPREFIX);
  m.line_height = line.bottom - line.top;
  if (!text.empty() && m.line_height > 0) {
    RECT block{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &block,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    m.wrapped_lines = std::max(1, static_cast<int>((block.bottom - block.top) / m.line_height));
  }
  if (old) SelectObject(dc, old);
  ReleaseDC(label, dc);
  return m;
}

// One line per LF plus one, or more where a long line wraps (the feedback hint does), so that
// no wrapped line is cut off.
int lines_of(const std::wstring& text, const TextMetrics& m) {
  return std::max(label_line_count(text), m.wrapped_lines);
}

void shrink_to_text(HWND label, RECT& area) {
  const std::wstring text = text_of(label);
  const TextMetrics m = measure(label, text, area.right - area.left);
  const TextBand band = centred_text_band(area.bottom - area.top, m.line_height, lines_of(text, m));
  area.top += band.top;
  area.bottom -= band.bottom;
}

void paint_margins(HWND label) {
  RECT window;
  RECT client;
  GetWindowRect(label, &window);
  GetClientRect(label, &client);
  POINT origin{0, 0};
  ClientToScreen(label, &origin);
  const int top = origin.y - window.top;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  HDC dc = GetWindowDC(label);
  if (dc == nullptr) return;
  const RECT above{0, 0, width, top};
  const RECT below{0, top + client.bottom, width, height};
  FillRect(dc, &above, margin_brush);
  FillRect(dc, &below, margin_brush);
  ReleaseDC(label, dc);
}

void recompute_frame(HWND label) {
  SetWindowPos(label, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK label_proc(HWND label, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCALCSIZE:
      // Both forms of the message start with the proposed client rectangle.
      shrink_to_text(label, *reinterpret_cast<RECT*>(lparam));
      return 0;
    case WM_NCPAINT: paint_margins(label); return 0;
    case WM_SETTEXT:
    case WM_SETFONT: {
      // The line count and height follow the text and the font.
      const LRESULT result = CallWindowProcW(static_proc, label, message, wparam, lparam);
      recompute_frame(label);
      return result;
    }
    default: return CallWindowProcW(static_proc, label, message, wparam, lparam);
  }
}

}  // namespace

int label_text_lines(HWND label) {
  RECT r;
  GetWindowRect(label, &r);
  const std::wstring text = text_of(label);
  return lines_of(text, measure(label, text, r.right - r.left));
}

Result<HWND> create_label(HWND parent, const Rect& place, HFONT font, const wchar_t* text) {
  auto label = create_child(parent, {L"STATIC", label_style, 0, place, text}, nullptr);
  if (!label) return label;
  const auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(*label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(label_proc)));
  if (static_proc == nullptr) static_proc = previous;
  SendMessageW(*label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return label;
}

}  // namespace corvald::ui
