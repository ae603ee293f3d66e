// The pure half of the window capture: when one is due, the file's name and its BMP header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace corvald::ui {

inline constexpr std::uint32_t ticks_per_capture = 20;  // every 2 s at one tick per 100 ms

inline bool capture_due(std::uint32_t tick_before_increment) {
  return tick_before_increment % ticks_per_capture == 0;
}

// "shot_007.bmp", "shot_1000.bmp": the capture number zero-padded to at least three digits.
std::string capture_file_name(std::uint32_t capture_number);

// Bytes of one 24-bit pixel row, padded to a multiple of 4 as DIB rows are.
std::size_t dib_row_bytes(int width);

inline constexpr std::size_t bmp_header_size = 54;

// File header and BITMAPINFOHEADER of a 24-bit top-down BMP (negative height) whose pixel
// rows take `pixel_bytes`.
std::array<std::uint8_t, bmp_header_size> bmp_header(int width, int height,
                                                     std::size_t pixel_bytes);

}  // namespace corvald::ui
