#include "worker/download_progress.hpp"

#include <algorithm>
#include <cstdio>

#include "i18n/i18n.hpp"

namespace corvald {
namespace {

constexpr auto throttle_interval = std::chrono::milliseconds(80);
// The download's share of the bar; the installer step and the launcher fill the rest.
constexpr std::uint64_t download_share = 95;

}  // namespace

ProgressContext make_progress_context(const feed::Feed& feed, SharedUiStatus status,
                                      const Clock& clock) {
  ProgressContext context;
  context.version = feed.version;
  context.throttle = std::make_shared<ProgressThrottle>();
  context.throttle->last_update = clock.now();
  context.total = feed.size == 0 ? 1 : feed.size;
  context.status = std::move(status);
  context.clock = clock;
  return context;
}

std::string format_mb(std::uint64_t bytes) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(bytes) / 1048576.0);
  return buffer;
}

void on_download_progress(const ProgressContext& context, std::uint64_t done, std::uint64_t total) {
  {
    std::lock_guard lock(context.throttle->mutex);
    const auto now = context.clock.now();
    if (done != total && now - context.throttle->last_update < throttle_interval) return;
    context.throttle->last_update = now;
  }
  // The throttle lock is released before the status lock is taken: no code holds both.
  const std::uint64_t divisor = std::max(context.total, total);
  // An engine that reports more bytes than either total must not push the bar past the
  // download's share.
  const auto percent =
      static_cast<std::uint32_t>(std::min(done * download_share / divisor, download_share));
  set_status(*context.status, Phase::downloading, percent,
             i18n::tr_with("ui.status.downloading", {{"version", context.version},
                                                     {"mb", format_mb(done)},
                                                     {"mb_total", format_mb(total)},
                                                     {"percent", std::to_string(percent)}}));
}

}  // namespace corvald
