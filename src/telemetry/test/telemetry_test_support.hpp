// Shared pieces of the telemetry tests: a fixed config and a log sink that records lines.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "telemetry/telemetry_event.hpp"
#include "telemetry/telemetry_hooks.hpp"

namespace corvald::telemetry::testing {

inline TelemetryConfig sample_config() {
  TelemetryConfig config;
  config.endpoint = "http://127.0.0.1:9/api/v2/report";
  config.user_agent = "CorvaldVoice/0.0.1 TavrinStub/0.1.117";
  config.app_id = "{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315}";
  config.stub_version = "0.1.117";
  config.session_id = "0b0e6c1e-3f57-4c2a-9a0d-6f1f2e3d4c5b";
  config.client_id = "8d7c6b5a-4e3f-4a1b-8c2d-1e0f9a8b7c6d";
  config.locale = "de-DE";
  config.channel = "windows";
  return config;
}

// Shared with the pipeline's thread, which may outlive the test's own references.
class LogRecorder {
 public:
  void add(std::string_view line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  // Guards lines_; nothing else is done while it is held.
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// Hooks that keep everything inside the test: recorded log, tracing off, the real thread.
inline TelemetryHooks recording_hooks(const std::shared_ptr<LogRecorder>& log) {
  TelemetryHooks hooks = default_telemetry_hooks(false);
  hooks.log = [log](std::string_view line) { log->add(line); };
  hooks.trace_enabled = [] { return false; };
  return hooks;
}

}  // namespace corvald::telemetry::testing
