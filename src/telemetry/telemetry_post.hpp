// One telemetry event on the wire: its request, its post and what the log says about it.
#pragma once

#include <string_view>

#include "net/headers.hpp"
#include "net/http_client.hpp"
#include "telemetry/telemetry_event.hpp"
#include "telemetry/telemetry_hooks.hpp"

namespace corvald::telemetry {

// Content-Type, User-Agent, Cookie, CV-AppId, CV-Client-Id, CV-Version, CV-Channel,
// CV-Request-Id, in that order.
net::HeaderList telemetry_headers(const TelemetryConfig& config, std::string_view request_id);

// Posts the event once under a fresh request id. Failures and non-2xx answers are logged
// through hooks.log and forgotten; nothing is retried and nothing is reported back.
void post_event(const net::HttpClient& client, const TelemetryConfig& config,
                const TelemetryEvent& event, const TelemetryHooks& hooks);

}  // namespace corvald::telemetry
