// Geometry shared by the main window and the feedback dialog: centring on a monitor and the
// vertical placement of a label's text.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace corvald::ui {

struct Origin {
  int x;
  int y;
};

// The top-left corner that centres a client area of width × height on a monitor rectangle.
// The client size, not the outer size, enters the formula.
Origin centred_origin(int monitor_left, int monitor_top, int monitor_right, int monitor_bottom,
                      int width, int height);

// A label shows one line per LF plus one.
int label_line_count(std::wstring_view text);

struct TextBand {
  int top;     // pixels above the text block
  int bottom;  // pixels below it
};

// The text block of `lines` lines of `line_height` centred in a label `height` pixels tall:
// the surplus is split in integer halves; a label too small for its text keeps no margin.
TextBand centred_text_band(int height, int line_height, int lines);

// A button keeps its designed width unless its text, with a margin on each side, needs more:
// a long translation widens the button instead of being cut off.
int button_width(int designed_width, int text_width);

// The left edges of a row of buttons of these widths that ends at `right`, `gap` apart.
std::vector<int> button_row_lefts(std::span<const int> widths, int right, int gap);

}  // namespace corvald::ui
