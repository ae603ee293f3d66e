// The telemetry events of the download engine, with their properties in the agreed order.
#pragma once

#include "base/stub_error.hpp"
#include "download/transfer.hpp"
#include "feed/feed.hpp"
#include "telemetry/telemetry_event.hpp"

namespace corvald::download {

telemetry::TelemetryEvent completed_event(const feed::Feed& feed, const DownloadStats& stats);
telemetry::TelemetryEvent completed_via_fallback_event(const feed::Feed& feed,
                                                       const DownloadStats& stats);
telemetry::TelemetryEvent fell_back_event(const feed::Feed& feed, const StubError& error);
telemetry::TelemetryEvent failed_event(const feed::Feed& feed, const StubError& error);
telemetry::TelemetryEvent attempt_failed_event(const feed::Feed& feed, int attempt,
                                               const StubError& error);
telemetry::TelemetryEvent retried_succeeded_event(const feed::Feed& feed, int attempt);

}  // namespace corvald::download
