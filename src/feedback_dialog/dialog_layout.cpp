#include "feedback_dialog/dialog_layout.hpp"

namespace corvald::feedback_dialog {

DialogLayout dialog_layout(const ui::Scale& s) {
  using ui::Rect;
  DialogLayout l{
      .client_width = s(460),
      .client_height = s(300),
      .hint = s(Rect{16, 12, 430, 40}),
      .description = s(Rect{16, 58, 430, 150}),
      .status = s(Rect{16, 216, 430, 20}),
      .cancel = s(Rect{300, 250, 70, 28}),
      .send = s(Rect{378, 250, 70, 28}),
      .button_row_right = 0,
      .button_gap = 0,
      .button_text_margin = s(10),
      .body_font = s(14),
      .small_font = s(13),
  };
  // From the scaled buttons, so that a row that does not grow stays where the table puts it
  // (at 120 DPI 448 alone would scale to 560, one short of Send's scaled right edge).
  l.button_row_right = l.send.x + l.send.width;
  l.button_gap = l.send.x - (l.cancel.x + l.cancel.width);
  return l;
}

}  // namespace corvald::feedback_dialog
