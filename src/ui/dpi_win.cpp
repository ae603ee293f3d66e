#include "ui/dpi_win.hpp"

namespace corvald::ui {
namespace {

// user32 is a KnownDLL and already loaded, so looking the newer functions up in it cannot
// reach a planted copy; Windows before 10 1607 lacks them and still starts the stub.
template <class Fn>
Fn user32_export(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  const FARPROC proc = GetProcAddress(user32, name);
  // Through void(*)(): GCC warns about casts between other function types.
  return proc ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc)) : nullptr;
}

}  // namespace

int window_dpi(HWND window) {
  using ForWindow = UINT(WINAPI*)(HWND);
  using ForSystem = UINT(WINAPI*)();
  if (const auto for_window = user32_export<ForWindow>("GetDpiForWindow")) {
    if (const UINT dpi = for_window(window); dpi > 0) return static_cast<int>(dpi);
  }
  if (const auto for_system = user32_export<ForSystem>("GetDpiForSystem")) {
    if (const UINT dpi = for_system(); dpi > 0) return static_cast<int>(dpi);
  }
  int dpi = design_dpi;
  if (HDC dc = GetDC(window)) {
    if (const int logical = GetDeviceCaps(dc, LOGPIXELSY); logical > 0) dpi = logical;
    ReleaseDC(window, dc);
  }
  return dpi;
}

bool outer_size_for_dpi(DWORD style, int width, int height, int dpi, SIZE& outer) {
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  RECT r{0, 0, width, height};
  const auto adjust_for_dpi = user32_export<AdjustForDpi>("AdjustWindowRectExForDpi");
  const BOOL ok = adjust_for_dpi ? adjust_for_dpi(&r, style, FALSE, 0, static_cast<UINT>(dpi))
                                 : AdjustWindowRectEx(&r, style, FALSE, 0);
  if (!ok) return false;
  outer = {r.right - r.left, r.bottom - r.top};
  return true;
}

int system_metric_for_dpi(int index, int dpi) {
  using MetricForDpi = int(WINAPI*)(int, UINT);
  if (const auto for_dpi = user32_export<MetricForDpi>("GetSystemMetricsForDpi")) {
    return for_dpi(index, static_cast<UINT>(dpi));
  }
  // Without per-monitor support the process is at most system aware, and the plain metric is
  // already for the system DPI.
  return GetSystemMetrics(index);
}

void place(HWND control, const Rect& r) {
  SetWindowPos(control, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void move_to_suggested(HWND window, const RECT& suggested) {
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void lay_out(std::span<const ControlAtScale> controls) {
  for (const ControlAtScale& c : controls) {
    if (c.font != nullptr) {
      SendMessageW(c.control, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), TRUE);
    }
    place(c.control, c.place);
  }
}

}  // namespace corvald::ui
