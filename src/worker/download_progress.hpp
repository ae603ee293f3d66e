// The download's progress as the window shows it: at most one update per 80 ms (plus the
// final byte), so a fast connection does not keep the status lock and the window busy.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/clock.hpp"
#include "base/ui_status.hpp"
#include "feed/feed.hpp"

namespace corvald {

struct ProgressThrottle {
  std::mutex mutex;
  std::chrono::steady_clock::time_point last_update;
};

struct ProgressContext {
  std::string version;
  std::shared_ptr<ProgressThrottle> throttle;
  // The feed's size, or 1 for a feed that announces 0, so the percentage never divides by 0.
  std::uint64_t total = 1;
  SharedUiStatus status;
  Clock clock;
};

ProgressContext make_progress_context(const feed::Feed& feed, SharedUiStatus status,
                                      const Clock& clock = Clock::real());

void on_download_progress(const ProgressContext& context, std::uint64_t done, std::uint64_t total);

// Bytes as mebibytes with one digit after the point, e.g. "12.3".
std::string format_mb(std::uint64_t bytes);

}  // namespace corvald
