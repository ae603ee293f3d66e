#include "telemetry/telemetry_hooks.hpp"

#include "logfile/log.hpp"

namespace corvald::telemetry {

TelemetryHooks default_telemetry_hooks(bool trace) {
  TelemetryHooks hooks;
  hooks.log = [](std::string_view line) { log_info("{}", line); };
  hooks.trace_enabled = [trace] { return trace; };
  hooks.wall_clock = [] { return std::chrono::system_clock::now(); };
  hooks.start_thread = [](std::function<void()> body) { return std::thread(std::move(body)); };
  return hooks;
}

std::uint64_t unix_seconds(std::chrono::system_clock::time_point at) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(at.time_since_epoch()).count();
  return seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds);
}

}  // namespace corvald::telemetry
