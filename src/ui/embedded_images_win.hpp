// The icon and the logo compiled into the executable, decoded by the Windows Imaging Component
// into bitmaps the window can show. COM must be initialised on the calling thread.
#pragma once

#include <cstdint>
#include <span>

#include "base/result.hpp"
#include "ui/gdi_handles_win.hpp"

namespace corvald::ui {

enum class Alpha { straight, premultiplied };

// Frame 0 of an image file (PNG, ICO, ...) as a top-down 32-bit DIB section, unscaled, or
// scaled to `side` × `side` pixels when a side is given.
Result<UniqueBitmap> decode_image(std::span<const std::uint8_t> file, Alpha alpha, int side = 0);

// The logo at `side` pixels, decoded with premultiplied alpha as a static control draws it:
// the logo drawn at that size where the executable carries one, else the next larger one
// scaled down.
Result<UniqueBitmap> load_logo(int side);

// The window's small icon at `side` pixels: at 16 the first (16-pixel) image of the
// executable's icon, decoded; at other sides the icon image the system picks and scales for
// that size. Nothing when it cannot be made.
UniqueIcon load_window_icon(int side);

// The executable's icon at `side` pixels, as the system picks and scales it from the images it
// carries; nothing when it cannot be loaded.
UniqueIcon load_icon(int side);

}  // namespace corvald::ui
