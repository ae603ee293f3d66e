// The window classes of the program and the creation of its windows. Every top-level window
// (the main window, each feedback dialog) uses the one class and hands its messages to a
// WindowHandler object that lives as long as the window.
#pragma once

#include "platform/windows.hpp"

#include <functional>
#include <string_view>

#include "base/result.hpp"
#include "ui/layout.hpp"

namespace corvald::ui {

class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  // Messages that are not handled go to DefWindowProcW.
  virtual LRESULT on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;
};

// Registers the top-level class and the separator's class; once per process.
Result<void> register_window_classes();

// A top-level window of the program's class, created at 300, 300 with the client size
// `client_at` gives for 96 DPI, then sized for the DPI of its monitor and centred on the
// monitor nearest to it.
Result<HWND> create_centred_window(const wchar_t* caption, DWORD style,
                                   const std::function<SIZE(int dpi)>& client_at,
                                   WindowHandler& handler);

struct ChildSpec {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
  Rect place;
  const wchar_t* text = nullptr;
};

// A child control; `font` (may be null) is set right after creation.
Result<HWND> create_child(HWND parent, const ChildSpec& spec, HFONT font);

// The separator: a one-pixel-high bordered child of the separator class.
inline constexpr wchar_t separator_class[] = L"CorvaldTavrinSeparator";

void set_window_text(HWND window, std::string_view utf8);

}  // namespace corvald::ui
