#include "ui/button_row_win.hpp"

#include <string>
#include <vector>

#include "ui/layout.hpp"

namespace corvald::ui {
namespace {

int text_width(HWND button) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(button)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(button, text.data(), static_cast<int>(text.size()))));
  HDC dc = GetDC(button);
  if (dc == nullptr) return 0;
  auto font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (old) SelectObject(dc, old);
  ReleaseDC(button, dc);
  return size.cx;
}

}  // namespace

void fit_button_row(std::span<const RowButton> buttons, const ButtonRowPlace& place) {
  std::vector<int> widths;
  for (const RowButton& b : buttons) {
    widths.push_back(button_width(b.designed_width, text_width(b.button), place.margin));
  }
  const std::vector<int> lefts = button_row_lefts(widths, place.right, place.gap);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    RECT r;
    GetWindowRect(buttons[i].button, &r);
    MapWindowPoints(nullptr, GetParent(buttons[i].button), reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(buttons[i].button, nullptr, lefts[i], r.top, widths[i], r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace corvald::ui
