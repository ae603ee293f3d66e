// Where everything of a feedback dialog goes at a given display scale, from the one table
// designed at 96 DPI.
#pragma once

#include "ui/layout.hpp"

namespace corvald::feedback_dialog {

struct DialogLayout {
  int client_width;
  int client_height;
  ui::Rect hint;
  ui::Rect description;
  ui::Rect status;
  ui::Rect cancel;
  ui::Rect send;
  int button_row_right;
  int button_gap;
  int button_text_margin;
  int body_font;   // hint, description and buttons
  int small_font;  // status line
};

DialogLayout dialog_layout(const ui::Scale& scale);

}  // namespace corvald::feedback_dialog
