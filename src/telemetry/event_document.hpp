// The JSON body of one telemetry post.
#pragma once

#include <string>

#include "telemetry/telemetry_event.hpp"

namespace corvald::telemetry {

// {"event_name":…,"app_id":…,"stub_version":…,"session_id":…,"client_id":…,"os":…,"arch":…,
// "locale":…,"channel":…,"ts":…, then the properties in the order they were added}
std::string event_json(const TelemetryEvent& event, const TelemetryConfig& config);

}  // namespace corvald::telemetry
