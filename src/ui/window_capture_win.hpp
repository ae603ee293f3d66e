// Saves a picture of a window as a 24-bit BMP, for people and tests to look at a run.
#pragma once

#include "platform/windows.hpp"

#include <atomic>
#include <cstdint>

#include "text/path.hpp"

namespace corvald::ui {

// Writes <folder>\shot_NNN.bmp of the window drawn through WM_PRINT, replacing an older file,
// where NNN is the capture counter, which counts the captures taken. A capture that cannot be
// made is skipped, one that cannot be written is lost.
void capture_window(HWND window, const Path& folder, std::atomic<std::uint32_t>& capture_counter);

}  // namespace corvald::ui
