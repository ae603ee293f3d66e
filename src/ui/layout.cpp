#include "ui/layout.hpp"

#include <algorithm>

namespace corvald::ui {

int Scale::operator()(int designed) const {
  const long long product = static_cast<long long>(designed) * dpi_;
  const long long half = design_dpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / design_dpi
                                       : -((-product + half) / design_dpi));
}

Rect Scale::operator()(const Rect& designed) const {
  const Scale& s = *this;
  return {s(designed.x), s(designed.y), s(designed.width), s(designed.height)};
}

Origin centred_origin(int monitor_left, int monitor_top, int monitor_right, int monitor_bottom,
                      int width, int height) {
  return {monitor_left + (monitor_right - width - monitor_left) / 2,
          monitor_top + (monitor_bottom - height - monitor_top) / 2};
}

int label_line_count(std::wstring_view text) {
  return 1 + static_cast<int>(std::count(text.begin(), text.end(), L'\n'));
}

TextBand centred_text_band(int height, int line_height, int lines) {
  const int surplus = std::max(0, height - line_height * lines);
  return {surplus / 2, surplus / 2};
}

int button_width(int designed_width, int text_width, int margin) {
  return std::max(designed_width, text_width + 2 * margin);
}

std::vector<int> button_row_lefts(std::span<const int> widths, int right, int gap) {
  std::vector<int> lefts(widths.size());
  int edge = right;
  for (std::size_t i = widths.size(); i-- > 0;) {
    lefts[i] = edge - widths[i];
    edge = lefts[i] - gap;
  }
  return lefts;
}

int logo_source_size(int needed, std::span<const int> carried) {
  for (const int size : carried) {
    if (size >= needed) return size;
  }
  return carried.empty() ? needed : carried.back();
}

}  // namespace corvald::ui
