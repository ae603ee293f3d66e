// The "Segoe UI" fonts of the windows, by cell height and weight.
#pragma once

#include "base/result.hpp"
#include "ui/gdi_handles_win.hpp"

namespace corvald::ui {

Result<UniqueFont> create_ui_font(int cell_height, int weight);

}  // namespace corvald::ui
