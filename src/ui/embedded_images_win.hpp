// The icon and the logo compiled into the executable, decoded by the Windows Imaging Component
// into bitmaps the window can show. COM must be initialised on the calling thread.
#pragma once

#include <cstdint>
#include <span>

#include "base/result.hpp"
#include "ui/gdi_handles_win.hpp"

namespace corvald::ui {

enum class Alpha { straight, premultiplied };

// Frame 0 of an image file (PNG, ICO, ...) as a top-down 32-bit DIB section, unscaled.
Result<UniqueBitmap> decode_image(std::span<const std::uint8_t> file, Alpha alpha);

// The logo PNG, decoded with premultiplied alpha as a static control draws it.
Result<UniqueBitmap> load_logo();

// The window icon from the first (16-pixel) image of the executable's icon; nothing when it
// cannot be decoded.
UniqueIcon load_window_icon();

}  // namespace corvald::ui
