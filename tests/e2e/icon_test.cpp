// The stub's icon as Windows reads it from corvald-setup.exe: the window manager and the shell
// (Explorer, the taskbar) through user32 and shell32, the window itself through the imaging
// component. Its images are PNG frames, which a reader that knows only bitmaps shows as
// nothing. The case also leaves a picture of every size on the screen, in the screenshots.
#include "platform/windows.hpp"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "linux_side.hpp"
#include "stub_process.hpp"
#include "ui/embedded_images_win.hpp"
#include "ui/gdi_handles_win.hpp"
#include "ui/icon_file.hpp"

namespace corvald::e2e {
namespace {

// From the smallest list entry to the largest tile, the sizes the desktop asks for at 100 %
// to 200 % display scale; most fall between two frames and are scaled from the nearer one.
constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 96, 128, 256};

// The share of a square of `px` pixels, drawn over white, that shows the icon's indigo-to-teal
// ground: blue well above red holds for every shade of it and for nothing white, grey or black.
double coloured_share(const std::uint32_t* bgra, int px) {
  int coloured = 0;
  for (int i = 0; i < px * px; ++i) {
    const int blue = bgra[i] & 0xFF;
    const int red = (bgra[i] >> 16) & 0xFF;
    coloured += blue > red + 40 ? 1 : 0;
  }
  return static_cast<double>(coloured) / (px * px);
}

// `icon` drawn at `px` pixels onto white, as the share coloured_share gives.
double drawn_share(HICON icon, int px) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = px;
  info.bmiHeader.biHeight = -px;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ui::UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HDC dc = CreateCompatibleDC(nullptr);
  if (!bitmap || dc == nullptr) return 0;
  HGDIOBJ old = SelectObject(dc, bitmap.get());
  std::fill_n(static_cast<std::uint32_t*>(bits), px * px, 0xFFFFFFu);
  DrawIconEx(dc, 0, 0, icon, px, px, 0, nullptr, DI_NORMAL);
  GdiFlush();
  const double share = coloured_share(static_cast<const std::uint32_t*>(bits), px);
  SelectObject(dc, old);
  DeleteDC(dc);
  return share;
}

// Every image of the icon group, each as a one-image icon file, as the window hands them to the
// imaging component.
std::vector<std::vector<std::uint8_t>> group_images(HMODULE module) {
  auto bytes = [&](const wchar_t* type, int id) -> std::span<const std::uint8_t> {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(module, found)};
  };
  const auto group = bytes(RT_GROUP_ICON, 1);
  std::vector<std::vector<std::uint8_t>> files;
  const std::size_t count = group.size() >= 6 ? group[4] | group[5] << 8 : 0;
  for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
    const auto entry = group.subspan(6 + 14 * i, 14);
    ui::IconGroupEntry e;
    e.resource_id = static_cast<std::uint16_t>(entry[12] | entry[13] << 8);
    e.directory_fields.assign(entry.begin(), entry.begin() + 8);  // width to bit count
    files.push_back(ui::single_image_icon_file(e, bytes(RT_ICON, e.resource_id)));
  }
  return files;
}

// The rows of icons on a white screen, for the screenshot: each row's sizes up to 128 pixels
// across, and the three 256-pixel ones side by side below them.
const std::vector<std::vector<HICON>>* shown_rows = nullptr;

void paint_rows(HDC dc) {
  for (std::size_t r = 0; r < shown_rows->size(); ++r) {
    const int row = static_cast<int>(r);
    int x = 10;
    for (std::size_t i = 0; i < (*shown_rows)[r].size(); ++i) {
      const int px = kSizes[i];
      const bool largest = px == 256;
      if (HICON icon = (*shown_rows)[r][i]) {
        DrawIconEx(dc, largest ? 10 + 262 * row : x, largest ? 10 + 134 * 3 : 10 + 134 * row, icon,
                   px, px, 0, nullptr, DI_NORMAL);
      }
      x += px + 6;
    }
  }
}

LRESULT CALLBACK rows_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    paint_rows(dc);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void pump_messages(std::chrono::milliseconds how_long) {
  const auto until = std::chrono::steady_clock::now() + how_long;
  for (MSG msg; std::chrono::steady_clock::now() < until;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void show_rows(const std::vector<std::vector<HICON>>& rows) {
  shown_rows = &rows;
  WNDCLASSW wc{};
  wc.lpfnWndProc = rows_window;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"CorvaldIconSizes";
  RegisterClassW(&wc);
  HWND window =
      CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"icon sizes", WS_POPUP | WS_VISIBLE, 0, 0,
                      1024, 768, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  pump_messages(std::chrono::milliseconds(800));
  save_screen_png(CORVALD_SCREENSHOT_DIR, "StubIcon-user32-shell32-imaging");
  DestroyWindow(window);
  shown_rows = nullptr;
}

TEST(StubIcon, EverySizeShowsThePictureInUser32TheShellAndTheImagingComponent) {
  const std::wstring exe = stub_exe().wstring();
  HMODULE module = LoadLibraryExW(exe.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);

  // The rounded square fills about nine tenths of the icon, the white bars take a part of it.
  constexpr double enough = 0.4;
  std::vector<ui::UniqueIcon> owned;
  std::vector<std::vector<HICON>> rows(3);
  for (const int px : kSizes) {
    ui::UniqueIcon loaded(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, px, px, LR_DEFAULTCOLOR)));
    ASSERT_TRUE(loaded) << "user32, " << px << " px";
    EXPECT_GT(drawn_share(loaded.get(), px), enough) << "user32, " << px << " px";

    HICON extracted = nullptr;
    ASSERT_EQ(SHDefExtractIconW(exe.c_str(), 0, 0, &extracted, nullptr, px), S_OK)
        << "shell, " << px << " px";
    ui::UniqueIcon shell(extracted);
    EXPECT_GT(drawn_share(shell.get(), px), enough) << "shell, " << px << " px";

    rows[0].push_back(loaded.get());
    rows[1].push_back(shell.get());
    owned.push_back(std::move(loaded));
    owned.push_back(std::move(shell));
  }

  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  const auto images = group_images(module);
  EXPECT_EQ(images.size(), 6u);
  for (const auto& file : images) {
    const int px = file[6] == 0 ? 256 : file[6];
    auto bitmap = ui::decode_image(file, ui::Alpha::straight);
    ASSERT_TRUE(bitmap) << "imaging component, " << px << " px: " << bitmap.error().display();
    BITMAP shape{};
    GetObjectW(bitmap->get(), sizeof shape, &shape);
    EXPECT_EQ(shape.bmWidth, px);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = bitmap->get();
    info.hbmMask = bitmap->get();
    ui::UniqueIcon icon(CreateIconIndirect(&info));
    EXPECT_GT(drawn_share(icon.get(), px), enough) << "imaging component, " << px << " px";
    while (rows[2].size() < std::size(kSizes) && kSizes[rows[2].size()] != px) {
      rows[2].push_back(nullptr);
    }
    if (rows[2].size() < std::size(kSizes)) rows[2].push_back(icon.get());
    owned.push_back(std::move(icon));
  }
  CoUninitialize();

  show_rows(rows);
  FreeLibrary(module);
}

}  // namespace
}  // namespace corvald::e2e
