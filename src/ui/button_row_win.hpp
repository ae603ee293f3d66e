// A row of push buttons that grows leftwards to fit its texts, so no translation is cut off.
#pragma once

#include "platform/windows.hpp"

#include <span>

namespace corvald::ui {

struct RowButton {
  HWND button;
  int designed_width;
};

struct ButtonRowPlace {
  int right;   // where the last button ends
  int gap;     // between two buttons
  int margin;  // the least room on each side of a button's text
};

// Lays the buttons out left to right ending at `right`, `gap` apart, each at its designed
// width or wider where its text needs it; their top and height stay as they are.
void fit_button_row(std::span<const RowButton> buttons, const ButtonRowPlace& place);

}  // namespace corvald::ui
