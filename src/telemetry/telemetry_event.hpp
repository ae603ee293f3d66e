// What one telemetry report carries, and the fixed settings of the pipeline that sends it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "base/stub_error.hpp"

namespace corvald::telemetry {

using PropertyValue = std::variant<std::string, std::uint64_t, std::int64_t, double, bool>;

struct Property {
  std::string key;  // a fixed ASCII identifier; written into the JSON unescaped
  PropertyValue value;

  friend bool operator==(const Property&, const Property&) = default;
};

// Builders return the event so emitters can chain: TelemetryEvent("x").add_u64("n", 1).
// The names say the type because an integer literal would otherwise pick an overload by
// accident and change how the value is written.
class TelemetryEvent {
 public:
  explicit TelemetryEvent(std::string name) : name_(std::move(name)) {}

  TelemetryEvent& add_text(std::string key, std::string value);
  TelemetryEvent& add_u64(std::string key, std::uint64_t value);
  TelemetryEvent& add_i64(std::string key, std::int64_t value);
  TelemetryEvent& add_f64(std::string key, double value);
  TelemetryEvent& add_bool(std::string key, bool value);
  // The text property "error" holding the error's display form.
  TelemetryEvent& add_error(const StubError& error);

  const std::string& name() const { return name_; }
  const std::vector<Property>& properties() const { return properties_; }

  // Unix seconds, stamped when the event is handed to the queue.
  std::uint64_t ts = 0;

 private:
  std::string name_;
  std::vector<Property> properties_;
};

struct TelemetryConfig {
  std::string endpoint;
  std::string user_agent;
  std::string app_id;
  std::string stub_version;
  std::string session_id;
  std::string client_id;
  std::string locale;
  std::string channel;
  // Overwritten by telemetry_start: the stub only ever reports as the 64-bit Windows build.
  std::string os = "windows";
  std::string arch = "x86_64";
};

}  // namespace corvald::telemetry
