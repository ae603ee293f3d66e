// Geometry shared by the main window and the feedback dialog: the display scale, centring on a
// monitor and the vertical placement of a label's text.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace corvald::ui {

// The windows are designed at 96 DPI (100 %); every figure of their tables is for that scale.
inline constexpr int design_dpi = 96;

struct Rect {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const Rect&) const = default;
};

// A monitor's DPI applied to the designed figures. The manifest declares the program
// per-monitor aware, so Windows leaves the scaling to it: every position, size and font height
// goes through here, rounded as MulDiv rounds (halves away from zero).
class Scale {
 public:
  // A DPI the system could not tell (0 or less) is taken as the designed 96.
  explicit Scale(int dpi) : dpi_(dpi > 0 ? dpi : design_dpi) {}
  int dpi() const { return dpi_; }
  int operator()(int designed) const;
  Rect operator()(const Rect& designed) const;

 private:
  int dpi_;
};

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
// a long translation widens the button instead of being cut off. The margin is 10 at 96 DPI.
int button_width(int designed_width, int text_width, int margin = 10);

// The left edges of a row of buttons of these widths that ends at `right`, `gap` apart.
std::vector<int> button_row_lefts(std::span<const int> widths, int right, int gap);

// The side of the logo drawn for a scale, among the sizes the executable carries (ascending):
// the smallest one at least `needed` pixels, so scaling only ever shrinks it, or the largest.
int logo_source_size(int needed, std::span<const int> carried);

}  // namespace corvald::ui
