// Where everything of the main window goes at a given display scale: its client area, its
// controls and its font heights, all from the one table designed at 96 DPI.
#pragma once

#include "ui/layout.hpp"

namespace corvald::ui {

struct MainWindowFontHeights {
  int title;
  int body;
  int small;
  int status;
};

struct MainWindowLayout {
  int client_width;
  int client_height;
  Rect logo;
  int logo_image;  // the logo's side; the control cuts an equal margin off each side
  Rect product_name;
  Rect version;
  Rect intro;
  Rect separator;
  Rect status;
  Rect progress;
  // A status text on two lines takes room from the progress bar, which moves down.
  Rect status_two_lines;
  Rect progress_below_two_lines;
  Rect feedback;
  Rect about;
  int button_row_right;  // the row of buttons ends here and grows leftwards
  int button_gap;        // between Feedback and About
  int button_text_margin;
  MainWindowFontHeights fonts;
};

MainWindowLayout main_window_layout(const Scale& scale);

}  // namespace corvald::ui
