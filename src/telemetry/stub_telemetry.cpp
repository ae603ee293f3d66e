#include "telemetry/stub_telemetry.hpp"

#include <utility>

#include "build_info.hpp"
#include "telemetry/endpoint.hpp"

namespace corvald::telemetry {

TelemetryConfig stub_telemetry_config(const RunSettings& settings, StubTelemetryIds ids,
                                      std::string locale) {
  TelemetryConfig config;
  config.endpoint = telemetry_endpoint(settings);
  config.user_agent = std::move(ids.user_agent);
  config.app_id = build_info::app_id;
  config.stub_version = build_info::stub_version;
  config.session_id = std::move(ids.session_id);
  config.client_id = std::move(ids.client_id);
  config.locale = std::move(locale);
  config.channel = "windows";
  return config;
}

TelemetryHandle start_stub_telemetry(net::HttpClient client, const RunSettings& settings,
                                     StubTelemetryIds ids, std::string locale) {
  return telemetry_start(std::move(client),
                         stub_telemetry_config(settings, std::move(ids), std::move(locale)),
                         default_telemetry_hooks(settings.telemetry_trace));
}

}  // namespace corvald::telemetry
