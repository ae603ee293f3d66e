#include "ui/fonts_win.hpp"

#include "ui/win32_failure_win.hpp"

namespace corvald::ui {

Result<UniqueFont> create_ui_font(int cell_height, int weight) {
  // A positive height asks for the cell height, so the sizes are the same on every system.
  UniqueFont font(CreateFontW(cell_height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                              VARIABLE_PITCH, L"Segoe UI"));
  if (!font) return win32_failure("CreateFontW");
  return font;
}

}  // namespace corvald::ui
