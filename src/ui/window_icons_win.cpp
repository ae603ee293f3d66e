#include "ui/window_icons_win.hpp"

#include <utility>

#include "ui/dpi_win.hpp"
#include "ui/embedded_images_win.hpp"

namespace corvald::ui {

void WindowIcons::show(HWND window, int dpi) {
  UniqueIcon small = load_window_icon(system_metric_for_dpi(SM_CXSMICON, dpi));
  UniqueIcon big = load_icon(system_metric_for_dpi(SM_CXICON, dpi));
  HICON shown = small ? small.get()
                      : static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32513), IMAGE_ICON,
                                                      0, 0, LR_SHARED | LR_DEFAULTSIZE));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shown));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  small_ = std::move(small);
  big_ = std::move(big);
}

}  // namespace corvald::ui
