// The telemetry pipeline: a bounded queue and one thread that posts events one by one, so
// reporting never slows down or breaks the install.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "base/clock.hpp"
#include "net/http_client.hpp"
#include "telemetry/telemetry_event.hpp"
#include "telemetry/telemetry_hooks.hpp"

namespace corvald::telemetry {

inline constexpr std::size_t kQueueCapacity = 32;

namespace detail {
struct Pipeline;
}

enum class ShutdownOutcome { not_running, joined, detached };

// The sending end of one pipeline and its thread. A default-made handle is disabled, as is
// every handle after telemetry_shutdown: sending through it does nothing.
class TelemetryHandle {
 public:
  TelemetryHandle() = default;
  TelemetryHandle(TelemetryHandle&&) noexcept = default;
  TelemetryHandle& operator=(TelemetryHandle&& other) noexcept;
  TelemetryHandle(const TelemetryHandle&) = delete;
  TelemetryHandle& operator=(const TelemetryHandle&) = delete;
  // Without a shutdown the sending end is closed and the thread left to finish on its own;
  // the owner never waits here.
  ~TelemetryHandle();

  // False once shut down, or when the thread could not be started.
  bool enabled() const;

 private:
  friend TelemetryHandle telemetry_start(net::HttpClient, TelemetryConfig, TelemetryHooks);
  friend void telemetry_send(const TelemetryHandle&, TelemetryEvent);
  friend ShutdownOutcome telemetry_shutdown(TelemetryHandle&, const Clock&);

  void abandon();

  // Stays set for the handle's whole life, so sending from other threads never races with
  // the owner's shutdown; the pipeline's own flag is what disables the handle.
  std::shared_ptr<detail::Pipeline> pipeline_;
  std::thread thread_;
};

// Fills in os and arch, creates the queue and starts the thread "app-installer/telemetry".
// When no thread can be started the handle comes back disabled and the run goes on.
TelemetryHandle telemetry_start(net::HttpClient client, TelemetryConfig config,
                                TelemetryHooks hooks);

// Stamps ts and offers the event without waiting; discarded when the handle is disabled, the
// queue holds 32 messages or the thread has ended. Callable from any thread.
void telemetry_send(const TelemetryHandle& handle, TelemetryEvent event);
// The same for a run that may have no telemetry (a silent run): nothing happens without a handle.
void telemetry_send(const TelemetryHandle* handle, TelemetryEvent event);

// Offers the stop marker, closes the sending end and waits for the thread, looking every
// 50 ms, until 2 whole seconds have passed; a thread still posting then is detached. Only
// the thread that owns the handle calls this. The wait runs on `clock`, so tests drive the
// two seconds themselves.
ShutdownOutcome telemetry_shutdown(TelemetryHandle& handle, const Clock& clock = Clock::real());

}  // namespace corvald::telemetry
