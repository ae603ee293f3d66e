// The window's pause after a success, driven by a clock of the test's own: the window must end
// the message loop when that clock says two whole seconds have passed since the finish, and
// not before, however long the test really takes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "main/ui_platform_win.hpp"
#include "ui/main_window_win.hpp"

namespace corvald {
namespace {

using namespace std::chrono_literals;

// Pumps this thread's messages for up to `limit` of real time; true once WM_QUIT came.
bool quit_within(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  MSG message;
  while (std::chrono::steady_clock::now() < end) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return true;
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
  return false;
}

TEST(WindowClose, ThePauseAfterSuccessRunsOnTheGivenClock) {
  ASSERT_TRUE(set_up_ui_platform());
  // A day in: a window or a status reading the real steady clock instead would close at once
  // or never.
  std::atomic<std::chrono::steady_clock::rep> ticks{
      std::chrono::steady_clock::duration(24h).count()};
  const Clock clock{.now =
                        [&] {
                          return std::chrono::steady_clock::time_point(
                              std::chrono::steady_clock::duration(ticks.load()));
                        },
                    .sleep = [](std::chrono::milliseconds) {}};
  auto status = std::make_shared<UiStatus>(clock);
  auto built =
      ui::MainWindow::build(status, std::make_shared<CancelFlag>(), nullptr, std::nullopt, clock);
  ASSERT_TRUE(built) << built.error().display();

  finish_ok(*status, "done");
  EXPECT_FALSE(quit_within(600ms)) << "closed before the clock moved";
  ticks += std::chrono::steady_clock::duration(1999ms).count();
  EXPECT_FALSE(quit_within(300ms)) << "closed before two whole seconds";
  ticks += std::chrono::steady_clock::duration(1ms).count();
  EXPECT_TRUE(quit_within(1000ms)) << "still open two seconds after the finish";
}

}  // namespace
}  // namespace corvald
