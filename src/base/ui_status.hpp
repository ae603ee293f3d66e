// The status record shared by the install worker (writer) and the window (reader), and the
// shared cancellation flag. The window never calls into the worker: these two are all they share.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/clock.hpp"

namespace corvald {

enum class Phase : std::uint8_t {
  created = 0,
  checking = 1,
  downloading = 2,  // also "preparing the download"
  cached_verified = 3,
  installing = 4,
  done = 5,
  failed = 6,  // failed or cancelled
};

struct UiStatusFields {
  std::string text;  // already localised; empty until the worker first writes
  std::optional<std::string> error_text;
  std::optional<std::string> target_version;
  std::optional<std::string> release_date;
  std::optional<std::chrono::steady_clock::time_point> finished_at;
  std::uint32_t percent = 0;
  bool finished = false;
  Phase phase = Phase::created;
};

class UiStatus {
 public:
  // `clock` stamps finished_at; the window that waits after it must read the same clock.
  explicit UiStatus(const Clock& clock = Clock::real()) : clock_(clock) {}

  UiStatusFields snapshot() const;

  friend void set_status(UiStatus& status, Phase phase, std::uint32_t percent, std::string text);
  friend void finish_ok(UiStatus& status, std::string text);
  friend void finish_failed(UiStatus& status, std::string text);
  friend void set_target(UiStatus& status, std::string version,
                         std::optional<std::string> release_date);

 private:
  const Clock clock_;
  // Guards fields_. Held only to copy or assign; never while calling out.
  mutable std::mutex mutex_;
  UiStatusFields fields_;
};

// Ignored once the record is finished: a late progress line would otherwise take the place of
// the final text while `finished` stays set, leaving a success that never closes the window or
// a failure whose message is gone.
void set_status(UiStatus& status, Phase phase, std::uint32_t percent, std::string text);
// Ignored once the record is finished, so a launcher's own final text stays visible.
void finish_ok(UiStatus& status, std::string text);
// Always applied, whatever finished before: a failure must never be hidden.
void finish_failed(UiStatus& status, std::string text);
// Records the feed's version and release date together, under one lock.
void set_target(UiStatus& status, std::string version, std::optional<std::string> release_date);

using SharedUiStatus = std::shared_ptr<UiStatus>;

// Set by the window when the user closes it; never reset. Readers only need to see it
// eventually, so relaxed loads and stores suffice.
class CancelFlag {
 public:
  void cancel() { set_.store(true, std::memory_order_relaxed); }
  bool is_set() const { return set_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> set_{false};
};

using SharedCancelFlag = std::shared_ptr<CancelFlag>;

}  // namespace corvald
