// Geometry shared by the main window and the feedback dialog: centring on a monitor and the
// vertical placement of a label's text.
#pragma once

#include <string_view>

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

}  // namespace corvald::ui
