// The telemetry a run of the stub starts with. The worker and the already-running path report
// as the same program to the same endpoint; they differ only in the locale they give.
#pragma once

#include <string>

#include "net/http_client.hpp"
#include "startup/run_settings.hpp"
#include "telemetry/telemetry.hpp"

namespace corvald::telemetry {

// Who is reporting: the same user agent as the run's HTTP client, the session and the client.
struct StubTelemetryIds {
  std::string user_agent;
  std::string session_id;
  std::string client_id;
};

// The endpoint the settings choose, this build's application id and version, channel
// "windows", and `locale`.
TelemetryConfig stub_telemetry_config(const RunSettings& settings, StubTelemetryIds ids,
                                      std::string locale);

// Starts the pipeline with that configuration and the settings' trace switch.
TelemetryHandle start_stub_telemetry(net::HttpClient client, const RunSettings& settings,
                                     StubTelemetryIds ids, std::string locale);

}  // namespace corvald::telemetry
