#include "download/download_events.hpp"

namespace corvald::download {
namespace {

telemetry::TelemetryEvent for_version(const char* name, const feed::Feed& feed) {
  telemetry::TelemetryEvent event(name);
  event.add_text("target_version", feed.version);
  return event;
}

}  // namespace

telemetry::TelemetryEvent completed_event(const feed::Feed& feed, const DownloadStats& stats) {
  auto event = for_version("download_completed", feed);
  event.add_u64("size", feed.size)
      .add_u64("duration_ms", stats.duration_ms)
      .add_u64("avg_bps", stats.avg_bps)
      .add_u64("chunks", stats.chunks)
      .add_u64("retries", stats.retries)
      .add_u64("effective_parallelism", stats.effective_parallelism);
  return event;
}

telemetry::TelemetryEvent completed_via_fallback_event(const feed::Feed& feed,
                                                       const DownloadStats& stats) {
  auto event = for_version("download_completed_via_fallback", feed);
  event.add_u64("size", feed.size)
      .add_u64("duration_ms", stats.duration_ms)
      .add_u64("avg_bps", stats.avg_bps);
  return event;
}

telemetry::TelemetryEvent fell_back_event(const feed::Feed& feed, const StubError& error) {
  auto event = for_version("download_failed_fell_back", feed);
  event.add_error(error);
  return event;
}

telemetry::TelemetryEvent failed_event(const feed::Feed& feed, const StubError& error) {
  auto event = for_version("download_failed", feed);
  event.add_error(error);
  return event;
}

telemetry::TelemetryEvent attempt_failed_event(const feed::Feed& feed, int attempt,
                                               const StubError& error) {
  auto event = for_version("download_attempt_failed", feed);
  event.add_u64("attempt", static_cast<std::uint64_t>(attempt)).add_error(error);
  return event;
}

telemetry::TelemetryEvent retried_succeeded_event(const feed::Feed& feed, int attempt) {
  auto event = for_version("download_retried_succeeded", feed);
  event.add_u64("attempt", static_cast<std::uint64_t>(attempt));
  return event;
}

}  // namespace corvald::download
