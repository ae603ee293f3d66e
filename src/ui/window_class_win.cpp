#include "ui/window_class_win.hpp"

#include "platform/wide.hpp"
#include "ui/dpi_win.hpp"
#include "ui/layout.hpp"
#include "ui/win32_failure_win.hpp"

namespace corvald::ui {
namespace {

constexpr wchar_t top_level_class[] = L"CorvaldTavrinWindow";
// The classes' background, brush value 5: the menu colour the labels' margins are painted in.
const auto background_brush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));

LRESULT CALLBACK top_level_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* handler = reinterpret_cast<WindowHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (handler == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return handler->on_message(window, message, wparam, lparam);
}

Result<void> register_class(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background_brush;
  wc.lpszClassName = name;
  if (RegisterClassExW(&wc) == 0) return win32_failure("RegisterClassExW");
  return Ok{};
}

void centre_on_nearest_monitor(HWND window, int client_width, int client_height) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& m = monitor.rcMonitor;
  const Origin at = centred_origin(m.left, m.top, m.right, m.bottom, client_width, client_height);
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Result<void> register_window_classes() {
  if (auto r = register_class(top_level_class, top_level_proc); !r) return r;
  return register_class(separator_class, DefWindowProcW);
}

Result<HWND> create_centred_window(const wchar_t* caption, DWORD style,
                                   const std::function<SIZE(int dpi)>& client_at,
                                   WindowHandler& handler) {
  const SIZE designed = client_at(design_dpi);
  RECT outer{0, 0, designed.cx, designed.cy};
  if (!AdjustWindowRectEx(&outer, style, FALSE, 0)) return win32_failure("AdjustWindowRectEx");
  HWND window = CreateWindowExW(0, top_level_class, caption, style, 300, 300,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), &handler);
  if (window == nullptr) return win32_failure("CreateWindowExW");
  // The monitor's DPI is only known once the window is on it.
  const int dpi = window_dpi(window);
  const SIZE client = client_at(dpi);
  SIZE scaled{};
  if (dpi != design_dpi && outer_size_for_dpi(style, client.cx, client.cy, dpi, scaled)) {
    SetWindowPos(window, nullptr, 0, 0, scaled.cx, scaled.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  centre_on_nearest_monitor(window, client.cx, client.cy);
  return window;
}

Result<HWND> create_child(HWND parent, const ChildSpec& spec, HFONT font) {
  const Rect& r = spec.place;
  HWND child =
      CreateWindowExW(spec.ex_style, spec.window_class, spec.text, spec.style, r.x, r.y, r.width,
                      r.height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (child == nullptr) return win32_failure("CreateWindowExW");
  if (font != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

void set_window_text(HWND window, std::string_view utf8) {
  SetWindowTextW(window, platform::widen(utf8).c_str());
}

}  // namespace corvald::ui
