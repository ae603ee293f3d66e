#include "telemetry/event_document.hpp"

#include <type_traits>

#include "telemetry/json_writer.hpp"

namespace corvald::telemetry {
namespace {

// Most events fit without the buffer growing.
constexpr std::size_t kInitialCapacity = 256;

void append_property(std::string& out, const Property& property) {
  out.append(",\"");
  out.append(property.key);
  out.append("\":");
  std::visit(
      [&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          append_json_string(out, v);
        } else if constexpr (std::is_same_v<T, bool>) {
          out.append(v ? "true" : "false");
        } else if constexpr (std::is_same_v<T, double>) {
          append_json_double(out, v);
        } else {
          out.append(std::to_string(v));
        }
      },
      property.value);
}

}  // namespace

std::string event_json(const TelemetryEvent& event, const TelemetryConfig& config) {
  std::string out;
  out.reserve(kInitialCapacity);
  out.push_back('{');
  write_json_string_field(out, "event_name", event.name(), true);
  write_json_string_field(out, "app_id", config.app_id, false);
  write_json_string_field(out, "stub_version", config.stub_version, false);
  write_json_string_field(out, "session_id", config.session_id, false);
  write_json_string_field(out, "client_id", config.client_id, false);
  write_json_string_field(out, "os", config.os, false);
  write_json_string_field(out, "arch", config.arch, false);
  write_json_string_field(out, "locale", config.locale, false);
  write_json_string_field(out, "channel", config.channel, false);
  write_json_number_field(out, "ts", event.ts);
  for (const Property& property : event.properties()) append_property(out, property);
  out.push_back('}');
  return out;
}

}  // namespace corvald::telemetry
