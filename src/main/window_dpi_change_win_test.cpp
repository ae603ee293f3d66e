// The windows' answer to WM_DPICHANGED, in this process. Under Wine 8 every monitor has the one
// DPI of the prefix, so no run of ours makes the message come; it is sent here as Windows sends
// it when a window moves to a monitor of another scale: the new DPI and the suggested rectangle.
#include <gtest/gtest.h>

#include <memory>

#include "feedback_dialog/feedback_dialog_win.hpp"
#include "main/ui_platform_win.hpp"
#include "ui/main_window_win.hpp"
#include "ui_automation.hpp"

namespace corvald {
namespace {

struct Placed {
  int x, y, width, height;
};

void expect_controls_at(HWND window, std::initializer_list<Placed> expected) {
  const auto controls = e2e::controls_of(window);
  ASSERT_EQ(controls.size(), expected.size());
  std::size_t i = 0;
  for (const Placed& e : expected) {
    const RECT& r = controls[i].rect;
    EXPECT_EQ(r.left, e.x) << "control " << i;
    EXPECT_EQ(r.top, e.y) << "control " << i;
    EXPECT_EQ(r.right - r.left, e.width) << "control " << i;
    EXPECT_EQ(r.bottom - r.top, e.height) << "control " << i;
    ++i;
  }
}

int font_height(HWND control) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle == nullptr || GetObjectW(handle, sizeof(font), &font) == 0) return 0;
  return font.lfHeight;
}

// The width of the small icon the window shows in its caption; 0 when it has none.
int icon_width(HWND window) {
  const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  const int got = GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return got ? bitmap.bmWidth : 0;
}

void send_dpi_change(HWND window, int dpi, RECT suggested) {
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  RECT now{};
  GetWindowRect(window, &now);
  EXPECT_EQ(now.left, suggested.left);
  EXPECT_EQ(now.top, suggested.top);
  EXPECT_EQ(now.right, suggested.right);
  EXPECT_EQ(now.bottom, suggested.bottom);
}

TEST(WindowDpiChange, MainWindowAndDialogMoveToTheSuggestedRectangleAndLayOutAgain) {
  ASSERT_TRUE(set_up_ui_platform());
  auto built = ui::MainWindow::build(std::make_shared<UiStatus>(), std::make_shared<CancelFlag>(),
                                     nullptr, std::nullopt);
  ASSERT_TRUE(built) << built.error().display();
  HWND window = (*built)->window();

  // To 150 %: every figure of the table times 1.5, the fonts and the logo with them.
  send_dpi_change(window, 144, {40, 30, 40 + 852, 30 + 680});
  expect_controls_at(window, {{42, 42, 132, 132},
                              {198, 45, 600, 45},
                              {198, 99, 600, 30},
                              {42, 186, 782, 204},
                              {42, 414, 756, 2},
                              {42, 438, 756, 36},
                              {42, 489, 756, 36},
                              {582, 549, 108, 42},
                              {702, 549, 96, 42}});
  const auto controls = e2e::controls_of(window);
  ASSERT_EQ(controls.size(), 9u);
  EXPECT_EQ(font_height(controls[1].handle), 33);  // the product name's title font
  EXPECT_EQ(font_height(controls[8].handle), 21);  // About in the body font
  BITMAP logo{};
  const auto shown =
      reinterpret_cast<HBITMAP>(SendMessageW(controls[0].handle, STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(GetObjectW(shown, sizeof(logo), &logo), 0);
  EXPECT_EQ(logo.bmWidth, 144);

  // A dialog opened there, then moved to 125 %.
  feedback_dialog::open_feedback_dialog(RunSettings{});
  const auto dialogs = e2e::windows_of(GetCurrentProcessId(), L"Send Feedback");
  ASSERT_EQ(dialogs.size(), 1u);
  HWND dialog = dialogs.front();
  send_dpi_change(dialog, 120, {60, 40, 60 + 581, 40 + 410});
  expect_controls_at(dialog, {{20, 15, 538, 50},
                              {20, 73, 538, 188},
                              {20, 270, 538, 25},
                              {375, 313, 88, 35},
                              {473, 313, 88, 35}});
  const auto parts = e2e::controls_of(dialog);
  ASSERT_EQ(parts.size(), 5u);
  EXPECT_EQ(font_height(parts[1].handle), 18);  // the description's body font
  EXPECT_EQ(font_height(parts[2].handle), 16);  // the status line's small font
  // The stub's own icon in the caption, drawn again for 125 % (without one Wine shows its
  // default icon there).
  EXPECT_EQ(icon_width(dialog), 20);
  DestroyWindow(dialog);
}

}  // namespace
}  // namespace corvald
