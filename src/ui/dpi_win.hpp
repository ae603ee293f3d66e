// The DPI of the monitor a window is on, and the system sizes that follow from it. The
// per-monitor functions came with Windows 10 1607; before that the system DPI stands in.
#pragma once

#include "platform/windows.hpp"

#include <span>

#include "ui/layout.hpp"

namespace corvald::ui {

// GetDpiForWindow, else GetDpiForSystem, else the LOGPIXELSY of the window's device context.
int window_dpi(HWND window);

// The outer size of a window of `style` (no menu, ex-style 0) whose client area is
// width × height at `dpi`; nothing when the system cannot tell.
bool outer_size_for_dpi(DWORD style, int width, int height, int dpi, SIZE& outer);

// A system metric (SM_CXSMICON, SM_CXICON...) as the system gives it for `dpi`.
int system_metric_for_dpi(int index, int dpi);

// Moves and sizes a child control to a rectangle of its parent's client area.
void place(HWND control, const Rect& r);

// Takes the rectangle Windows suggests with WM_DPICHANGED.
void move_to_suggested(HWND window, const RECT& suggested);

struct ControlAtScale {
  HWND control;
  Rect place;
  HFONT font;  // null for a control without text
};

// A window's controls laid out again at a new scale: each gets its font and its rectangle.
void lay_out(std::span<const ControlAtScale> controls);

}  // namespace corvald::ui
