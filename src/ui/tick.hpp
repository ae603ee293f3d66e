// What one 100 ms tick of the main window shows and does, decided from one copy of UiStatus.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/ui_status.hpp"

namespace corvald::ui {

// The progress bar runs from 0 to 1000 so that it moves smoothly on large downloads.
inline constexpr int progress_range = 1000;

enum class AfterTick {
  keep_ticking,
  stop_and_stay,  // failed or cancelled: the error stays up until the user closes the window
  stop_and_quit,  // succeeded and the pause after success is over
};

struct TickView {
  // Nothing until the worker has written a line, so the window's starting line stays up.
  std::optional<std::string> status_text;
  int progress_position = 0;
  std::optional<std::string> version_line;  // only once the feed has named a build
  AfterTick after = AfterTick::keep_ticking;
};

int progress_position(std::uint32_t percent);

// The day part of a feed's release date: up to its first "T", whole without one, "-" if absent.
std::string release_day(const std::optional<std::string>& release_date);

TickView decide_tick(const UiStatusFields& status, std::chrono::steady_clock::time_point now);

}  // namespace corvald::ui
