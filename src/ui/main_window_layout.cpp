#include "ui/main_window_layout.hpp"

namespace corvald::ui {

MainWindowLayout main_window_layout(const Scale& s) {
  MainWindowLayout l{
      .client_width = s(560),
      .client_height = s(420),
      .logo = s(Rect{28, 28, 88, 88}),
      .logo_image = s(96),
      .product_name = s(Rect{132, 30, 400, 30}),
      .version = s(Rect{132, 66, 400, 20}),
      .intro = s(Rect{28, 124, 521, 136}),
      .separator = s(Rect{28, 276, 504, 1}),
      .status = s(Rect{28, 292, 504, 24}),
      .progress = s(Rect{28, 326, 504, 24}),
      .status_two_lines = s(Rect{28, 292, 504, 42}),
      .progress_below_two_lines = s(Rect{28, 338, 504, 20}),
      .feedback = s(Rect{388, 366, 72, 28}),
      .about = s(Rect{468, 366, 64, 28}),
      .button_row_right = 0,
      .button_gap = 0,
      .button_text_margin = s(10),
      .fonts = {.title = s(22), .body = s(14), .small = s(12), .status = s(15)},
  };
  // Taken from the scaled buttons rather than scaled on their own, so that a row that does not
  // need to grow stays exactly where the scaled table puts it.
  l.button_row_right = l.about.x + l.about.width;
  l.button_gap = l.about.x - (l.feedback.x + l.feedback.width);
  return l;
}

}  // namespace corvald::ui
