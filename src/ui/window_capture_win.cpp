#include "ui/window_capture_win.hpp"

#include <vector>

#include "platform/file.hpp"
#include "ui/window_capture.hpp"

namespace corvald::ui {
namespace {

constexpr LONG pixels_per_metre = 2835;  // 72 dots per inch

// The window's pixels as 24-bit top-down rows; empty when any step fails.
std::vector<std::uint8_t> window_pixels(HWND window, int width, int height) {
  std::vector<std::uint8_t> pixels;
  HDC window_dc = GetWindowDC(window);
  if (window_dc == nullptr) return pixels;
  HDC memory_dc = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = memory_dc ? CreateCompatibleBitmap(window_dc, width, height) : nullptr;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory_dc, bitmap);
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(memory_dc),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    SelectObject(memory_dc, old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, pixels_per_metre,
                      pixels_per_metre,         0,     0};
    pixels.resize(dib_row_bytes(width) * static_cast<std::size_t>(height));
    if (GetDIBits(memory_dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                  DIB_RGB_COLORS) == 0) {
      pixels.clear();
    }
    DeleteObject(bitmap);
  }
  if (memory_dc != nullptr) DeleteDC(memory_dc);
  ReleaseDC(window, window_dc);
  return pixels;
}

}  // namespace

void capture_window(HWND window, const Path& folder, std::atomic<std::uint32_t>& capture_counter) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  const std::vector<std::uint8_t> pixels = window_pixels(window, width, height);
  if (pixels.empty()) return;

  const auto header = bmp_header(width, height, pixels.size());
  const std::uint32_t number = capture_counter.fetch_add(1);
  auto file = platform::File::create_truncate(folder / capture_file_name(number));
  if (!file) return;
  if (!file->append(reinterpret_cast<const char*>(header.data()), header.size())) return;
  (void)file->append(reinterpret_cast<const char*>(pixels.data()), pixels.size());
}

}  // namespace corvald::ui
