// What one attempt's transfers share: the byte counters, the cancel and stop flags, the range
// queue, the context handed down from download_and_verify and the figures a transfer reports.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "download/download.hpp"
#include "telemetry/telemetry_event.hpp"
#include "text/path.hpp"

namespace corvald::download {

inline constexpr int kMaxAttempts = 3;
inline constexpr std::uint64_t kProbeBytes = 4ull * 1024 * 1024;
inline constexpr std::uint64_t kRangeBytes = 8ull * 1024 * 1024;
inline constexpr std::uint32_t kReadBuffer = 64 * 1024;
inline constexpr std::chrono::milliseconds kAttemptWait{2000};
inline constexpr std::chrono::milliseconds kWatcherPoll{200};
inline constexpr std::chrono::milliseconds kMonitorPoll{100};
inline constexpr std::chrono::milliseconds kFallbackProgressInterval{500};

// Both ends inclusive, as in the Range header.
struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;

  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// The counters and flags only count or signal; none of them publishes other data, so relaxed
// ordering is enough. Worker results travel through thread joins instead.
struct AttemptState {
  std::atomic<std::uint64_t> downloaded{0};
  std::atomic<std::uint32_t> retries{0};
  std::atomic<bool> cancelled{false};
  std::atomic<bool> watcher_stop{false};

  // Guards ranges; held only to pop one range, never across a request or a file write.
  std::mutex queue_mutex;
  std::deque<ByteRange> ranges;

  std::optional<ByteRange> pop_range() {
    std::lock_guard lock(queue_mutex);
    if (ranges.empty()) return std::nullopt;
    ByteRange range = ranges.front();
    ranges.pop_front();
    return range;
  }

  bool is_cancelled() const { return cancelled.load(std::memory_order_relaxed); }
};

// One successful transfer.
struct DownloadStats {
  std::uint64_t size = 0;
  std::uint64_t duration_ms = 0;
  std::uint64_t avg_bps = 0;
  double probe_mibps = 0.0;
  std::uint32_t chunks = 0;
  std::uint32_t retries = 0;
  std::uint32_t effective_parallelism = 0;
};

// A transfer that put every byte in the temporary file, and the SHA-512 of those bytes in the
// feed's form, taken as they came in.
struct Transferred {
  DownloadStats stats;
  std::string sha512;
};

// Where log lines and telemetry events go; tests record both instead.
struct Reporter {
  std::function<void(const std::string&)> log;
  std::function<void(telemetry::TelemetryEvent)> emit;
};

// Everything a transfer of one attempt needs from the call; all references outlive it.
struct TransferJob {
  const net::HttpClient& client;
  const feed::Feed& feed;
  Path temp;
  const CancelFlag& cancel;
  const ProgressFn& progress;
  std::string_view tag;
  const Reporter& reporter;
  const Clock& clock;
};

inline std::uint64_t elapsed_ms(std::chrono::steady_clock::time_point from,
                                std::chrono::steady_clock::time_point to) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
  return ms > 0 ? static_cast<std::uint64_t>(ms) : 0;
}

inline std::uint64_t average_bps(std::uint64_t bytes, std::uint64_t duration_ms) {
  return duration_ms == 0 ? 0 : bytes * 1000 / duration_ms;
}

}  // namespace corvald::download
