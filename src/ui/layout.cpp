#include "ui/layout.hpp"

#include <algorithm>

namespace corvald::ui {

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

}  // namespace corvald::ui
