#include "ui_automation.hpp"

#include <commctrl.h>

namespace corvald::e2e {
namespace {

constexpr UINT message_timeout_ms = 2000;

struct Search {
  DWORD pid;
  const std::wstring* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK match_top_level(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.pid || !IsWindowVisible(window)) return TRUE;
  if (text_of(window) == *search.caption) search.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK collect_child(HWND child, LPARAM param) {
  auto& out = *reinterpret_cast<std::pair<HWND, std::vector<Control>*>*>(param);
  // Only direct children: grandchildren (an edit's scroll bar) are not controls of the window.
  if (GetParent(child) != out.first) return TRUE;
  Control c;
  c.handle = child;
  c.class_name = class_of(child);
  c.text = text_of(child);
  GetWindowRect(child, &c.rect);
  MapWindowPoints(nullptr, out.first, reinterpret_cast<POINT*>(&c.rect), 2);
  c.style = GetWindowLongW(child, GWL_STYLE);
  c.enabled = IsWindowEnabled(child) != FALSE;
  c.visible = IsWindowVisible(child) != FALSE;
  out.second->push_back(std::move(c));
  return TRUE;
}

}  // namespace

std::vector<HWND> windows_of(DWORD pid, const std::wstring& caption) {
  Search search{pid, &caption, {}};
  EnumWindows(match_top_level, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool has_window(DWORD pid, const std::wstring& caption) {
  return !windows_of(pid, caption).empty();
}

HWND wait_for_window(DWORD pid, const std::wstring& caption, std::chrono::milliseconds timeout) {
  std::vector<HWND> found;
  wait_until(
      [&] {
        found = windows_of(pid, caption);
        return !found.empty();
      },
      timeout);
  return found.empty() ? nullptr : found.front();
}

std::vector<Control> controls_of(HWND top_level) {
  std::vector<Control> controls;
  std::pair<HWND, std::vector<Control>*> param{top_level, &controls};
  EnumChildWindows(top_level, collect_child, reinterpret_cast<LPARAM>(&param));
  return controls;
}

std::wstring text_of(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, message_timeout_ms,
                           &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, message_timeout_ms, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

std::wstring class_of(HWND window) {
  wchar_t name[256];
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

SIZE client_size(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

int progress_position(HWND bar) {
  DWORD_PTR pos = 0;
  SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, message_timeout_ms, &pos);
  return static_cast<int>(pos);
}

std::pair<int, int> progress_range(HWND bar) {
  DWORD_PTR low = 0;
  DWORD_PTR high = 0;
  // wParam TRUE asks for the low limit, FALSE for the high one.
  SendMessageTimeoutW(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, message_timeout_ms, &low);
  SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, message_timeout_ms, &high);
  return {static_cast<int>(low), static_cast<int>(high)};
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void close_window(HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }

bool set_text(HWND edit, const std::wstring& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, message_timeout_ms, &result) != 0;
}

}  // namespace corvald::e2e
