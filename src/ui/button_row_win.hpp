// A row of push buttons that grows leftwards to fit its texts, so no translation is cut off.
#pragma once

#include <span>

#include "platform/windows.hpp"

namespace corvald::ui {

struct RowButton {
  HWND button;
  int designed_width;
};

// Lays the buttons out left to right ending at `right`, `gap` apart, each at its designed
// width or wider where its text needs it; their top and height stay as they are.
void fit_button_row(std::span<const RowButton> buttons, int right, int gap);

}  // namespace corvald::ui
