// The executable's icon on a top-level window, the main window's and every dialog's alike:
// without one, the caption and the taskbar show the system's default application icon.
#pragma once

#include "platform/windows.hpp"

#include "ui/gdi_handles_win.hpp"

namespace corvald::ui {

class WindowIcons {
 public:
  // Loads the caption's small icon and the taskbar's large one at `dpi` and gives them to
  // `window`, before the ones it had go, so the window never shows a destroyed icon. A small
  // icon that cannot be made falls back to the shared stock icon; without a large one the window
  // has none (never the old one, which goes) and the system stretches the small one.
  void show(HWND window, int dpi);

 private:
  UniqueIcon small_;  // empty when the stock icon stands in
  UniqueIcon big_;
};

}  // namespace corvald::ui
