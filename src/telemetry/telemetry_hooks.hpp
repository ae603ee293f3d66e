// The pipeline's contacts with the world that tests replace: where its log lines go, the
// trace switch, the wall clock behind ts and how its thread is started.
#pragma once

#include <chrono>
#include <functional>
#include <string_view>
#include <thread>

namespace corvald::telemetry {

struct TelemetryHooks {
  // Receives each finished log line; by default INFO on app_installer::telemetry.
  std::function<void(std::string_view line)> log;
  // Asked once per event; by default the trace switch the hooks were made with.
  std::function<bool()> trace_enabled;
  std::function<std::chrono::system_clock::time_point()> wall_clock;
  // May throw std::system_error like std::thread does when no thread can be had.
  std::function<std::thread(std::function<void()> body)> start_thread;
};

// `trace` logs every event's full body before it is sent (APP_INSTALLER_TELEMETRY_TRACE).
TelemetryHooks default_telemetry_hooks(bool trace);

// Unix seconds of `at`; 0 for any time before 1970.
std::uint64_t unix_seconds(std::chrono::system_clock::time_point at);

}  // namespace corvald::telemetry
