#include "telemetry/telemetry.hpp"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>

#include "logfile/thread_name.hpp"
#include "telemetry/telemetry_post.hpp"
#include "text/format.hpp"

namespace corvald::telemetry {

namespace detail {

// Owned jointly by the handle and the thread, so a thread left running after shutdown (or
// after its handle is gone) never reaches freed memory.
struct Pipeline {
  Pipeline(net::HttpClient c, TelemetryConfig cfg, TelemetryHooks h)
      : client(std::move(c)), config(std::move(cfg)), hooks(std::move(h)) {}

  const net::HttpClient client;
  const TelemetryConfig config;
  const TelemetryHooks hooks;

  // Guards queue, closed and ended. Held only to move a message in or out: never while
  // posting or logging, so a stalled endpoint cannot make a sender wait.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::optional<TelemetryEvent>> queue;  // nothing is the stop marker
  bool closed = false;                              // the sending end is closed
  bool ended = false;                               // the thread takes no more messages

  // Read by the shutdown wait without the lock.
  std::atomic<bool> finished{false};
};

}  // namespace detail

namespace {

using detail::Pipeline;
using namespace std::chrono_literals;

constexpr auto kShutdownPoll = 50ms;
constexpr auto kShutdownLimit = 2s;

std::optional<std::optional<TelemetryEvent>> next_message(Pipeline& p) {
  std::unique_lock lock(p.mutex);
  p.changed.wait(lock, [&] { return !p.queue.empty() || p.closed; });
  if (p.queue.empty()) return std::nullopt;  // closed and drained
  auto message = std::move(p.queue.front());
  p.queue.pop_front();
  return message;
}

void run_thread(const std::shared_ptr<Pipeline>& p) {
  logfile::set_current_thread_name("app-installer/telemetry");
  for (;;) {
    auto message = next_message(*p);
    if (!message || !*message) break;
    const TelemetryEvent& event = **message;
    // Nothing may escape a thread; a post that blows up is dropped like a failed one.
    try {
      post_event(p->client, p->config, event, p->hooks);
    } catch (const std::exception& e) {
      p->hooks.log(text::format("[telemetry] {} → {}", event.name(), e.what()));
    }
  }
  {
    std::lock_guard lock(p->mutex);
    p->ended = true;
    p->queue.clear();
  }
  p->finished.store(true, std::memory_order_release);
}

// Closes the sending end, first offering the stop marker when `stop` says so.
void close_sending_end(Pipeline& p, bool stop) {
  {
    std::lock_guard lock(p.mutex);
    if (p.closed) return;
    if (stop && !p.ended && p.queue.size() < kQueueCapacity) p.queue.emplace_back();
    p.closed = true;
  }
  p.changed.notify_one();
}

}  // namespace

TelemetryHandle& TelemetryHandle::operator=(TelemetryHandle&& other) noexcept {
  if (this != &other) {
    abandon();
    pipeline_ = std::move(other.pipeline_);
    thread_ = std::move(other.thread_);
  }
  return *this;
}

TelemetryHandle::~TelemetryHandle() { abandon(); }

void TelemetryHandle::abandon() {
  if (pipeline_) close_sending_end(*pipeline_, false);
  if (thread_.joinable()) thread_.detach();
}

bool TelemetryHandle::enabled() const {
  if (!pipeline_) return false;
  std::lock_guard lock(pipeline_->mutex);
  return !pipeline_->closed && !pipeline_->ended;
}

TelemetryHandle telemetry_start(net::HttpClient client, TelemetryConfig config,
                                TelemetryHooks hooks) {
  config.os = "windows";
  config.arch = "x86_64";
  auto pipeline = std::make_shared<Pipeline>(std::move(client), std::move(config), hooks);
  TelemetryHandle handle;
  try {
    handle.thread_ = hooks.start_thread([pipeline] { run_thread(pipeline); });
  } catch (const std::system_error& e) {
    hooks.log(text::format("[telemetry] thread start failed, telemetry off: {}", e.what()));
    return handle;
  }
  handle.pipeline_ = std::move(pipeline);
  return handle;
}

void telemetry_send(const TelemetryHandle* handle, TelemetryEvent event) {
  if (handle != nullptr) telemetry_send(*handle, std::move(event));
}

void telemetry_send(const TelemetryHandle& handle, TelemetryEvent event) {
  Pipeline* p = handle.pipeline_.get();
  if (p == nullptr) return;
  event.ts = unix_seconds(p->hooks.wall_clock());
  {
    std::lock_guard lock(p->mutex);
    if (p->closed || p->ended || p->queue.size() >= kQueueCapacity) return;
    p->queue.emplace_back(std::move(event));
  }
  p->changed.notify_one();
}

ShutdownOutcome telemetry_shutdown(TelemetryHandle& handle, const Clock& clock) {
  if (!handle.pipeline_ || !handle.thread_.joinable()) return ShutdownOutcome::not_running;
  Pipeline& p = *handle.pipeline_;
  close_sending_end(p, true);

  const auto start = clock.now();
  while (!p.finished.load(std::memory_order_acquire) && clock.now() - start < kShutdownLimit) {
    clock.sleep(kShutdownPoll);
  }
  if (p.finished.load(std::memory_order_acquire)) {
    handle.thread_.join();
    return ShutdownOutcome::joined;
  }
  handle.thread_.detach();
  return ShutdownOutcome::detached;
}

}  // namespace corvald::telemetry
