// Sees and drives another process's windows from outside, the way UI-automation clients do on
// Windows: top-level windows found by caption, child controls listed with their class, text,
// place and state, buttons clicked, edits typed into and windows closed by messages.
#pragma once

#include "platform/windows.hpp"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace corvald::e2e {

struct Control {
  HWND handle = nullptr;
  std::wstring class_name;
  std::wstring text;
  RECT rect{};  // in the client coordinates of the top-level window
  LONG style = 0;
  bool enabled = false;
  bool visible = false;
};

// A visible top-level window of process `pid` whose caption is exactly `caption`, waited for.
HWND wait_for_window(DWORD pid, const std::wstring& caption, std::chrono::milliseconds timeout);
// Whether process `pid` has a visible top-level window with that caption now.
bool has_window(DWORD pid, const std::wstring& caption);
// All visible top-level windows of process `pid` with that caption now.
std::vector<HWND> windows_of(DWORD pid, const std::wstring& caption);

// The child controls in creation (Z) order.
std::vector<Control> controls_of(HWND top_level);

// Text of any window of another process (GetWindowTextW only reads captions across processes).
std::wstring text_of(HWND window);
std::wstring class_of(HWND window);
SIZE client_size(HWND window);
int progress_position(HWND bar);
std::pair<int, int> progress_range(HWND bar);

// Posted, so that a click that opens a modal box does not block the caller.
void click(HWND button);
void close_window(HWND window);
bool set_text(HWND edit, const std::wstring& text);

// Polls `condition` every 50 ms until it holds or `timeout` passes; returns its last value.
template <class Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    Sleep(50);
  }
  return true;
}

}  // namespace corvald::e2e
