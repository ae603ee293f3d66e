#include "telemetry/telemetry_event.hpp"

#include <utility>

namespace corvald::telemetry {

TelemetryEvent& TelemetryEvent::add_text(std::string key, std::string value) {
  properties_.push_back({std::move(key), std::move(value)});
  return *this;
}

TelemetryEvent& TelemetryEvent::add_u64(std::string key, std::uint64_t value) {
  properties_.push_back({std::move(key), value});
  return *this;
}

TelemetryEvent& TelemetryEvent::add_i64(std::string key, std::int64_t value) {
  properties_.push_back({std::move(key), value});
  return *this;
}

TelemetryEvent& TelemetryEvent::add_f64(std::string key, double value) {
  properties_.push_back({std::move(key), value});
  return *this;
}

TelemetryEvent& TelemetryEvent::add_bool(std::string key, bool value) {
  properties_.push_back({std::move(key), value});
  return *this;
}

TelemetryEvent& TelemetryEvent::add_error(const StubError& error) {
  return add_text("error", error.display());
}

}  // namespace corvald::telemetry
