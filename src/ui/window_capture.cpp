#include "ui/window_capture.hpp"

#include <cstdio>

namespace corvald::ui {
namespace {

void put_le(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::string capture_file_name(std::uint32_t capture_number) {
  char name[32];
  std::snprintf(name, sizeof name, "shot_%03u.bmp", static_cast<unsigned>(capture_number));
  return name;
}

std::size_t dib_row_bytes(int width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

std::array<std::uint8_t, bmp_header_size> bmp_header(int width, int height,
                                                     std::size_t pixel_bytes) {
  std::array<std::uint8_t, bmp_header_size> h{};
  h[0] = 'B';
  h[1] = 'M';
  put_le(&h[2], static_cast<std::uint32_t>(bmp_header_size + pixel_bytes), 4);
  put_le(&h[10], bmp_header_size, 4);  // pixels follow the two headers
  put_le(&h[14], 40, 4);
  put_le(&h[18], static_cast<std::uint32_t>(width), 4);
  put_le(&h[22], static_cast<std::uint32_t>(-height), 4);  // top-down rows
  put_le(&h[26], 1, 2);
  put_le(&h[28], 24, 2);
  // Compression, image size, resolution and palette counts stay 0.
  return h;
}

}  // namespace corvald::ui
