#include "worker/worker.hpp"

#include "build_info.hpp"
#include "feed/feed_url.hpp"
#include "i18n/i18n.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "net/http_client.hpp"
#include "net/uuid.hpp"
#include "platform/registry.hpp"
#include "startup/client_id.hpp"
#include "telemetry/stub_telemetry.hpp"
#include "telemetry/telemetry.hpp"
#include "worker/pipeline.hpp"

namespace corvald {
namespace {

using telemetry::TelemetryEvent;
using telemetry::TelemetryHandle;

// Gives the freshly built window a moment to paint its starting text before work begins.
constexpr auto start_delay = std::chrono::milliseconds(120);

void report(const TelemetryHandle& telemetry, const Result<void>& outcome) {
  TelemetryEvent event("stub_completed");
  if (outcome) {
    event.add_text("outcome", "success");
  } else if (outcome.error().kind() == StubError::Kind::cancelled) {
    event.add_text("outcome", "cancelled");
  } else {
    event.add_text("outcome", "error").add_error(outcome.error());
  }
  telemetry::telemetry_send(telemetry, std::move(event));
}

void show(UiStatus& status, const Result<void>& outcome) {
  if (outcome) {
    // Ignored when the launcher has already finished the record with its own text.
    finish_ok(status, i18n::tr("ui.status.install_complete"));
    return;
  }
  log_info("[worker] {}", outcome.error().display());
  log_where("[worker] ", outcome.error());
  const MessageKey message = error_message_key(outcome.error());
  finish_failed(status, i18n::tr_with(message.key, message.args));
}

}  // namespace

void run_worker(SharedUiStatus status, SharedCancelFlag cancel, const RunSettings& settings,
                const Clock& clock) {
  clock.sleep(start_delay);
  const std::string feed_url = feed::feed_url(settings.service_url);
  log_info("app-installer worker start");
  log_info("  APP_ID: {}  version: {}  built: {}  commit: {}", build_info::app_id,
           build_info::stub_version, build_info::build_datetime, build_info::commit);
  log_info("  feed: {}", feed_url);

  // A failure before telemetry is running is shown, but nothing is reported.
  auto client_id = load_or_create_client_id_under(settings.local_app_data);
  if (!client_id) return show(*status, std::move(client_id).error());
  const std::string session_id = net::new_uuid_v4();
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return show(*status, std::move(client).error());

  // The install's events always say "en"; only a refused start reports the window's language.
  TelemetryHandle telemetry = telemetry::start_stub_telemetry(
      client.value(), settings, {user_agent, session_id, client_id.value()}, "en");
  telemetry::telemetry_send(telemetry, TelemetryEvent("stub_started")
                                           .add_text("build_datetime", build_info::build_datetime)
                                           .add_text("build_commit", build_info::commit));

  set_status(*status, Phase::checking, 0, i18n::tr("ui.status.checking"));
  const PipelineDeps deps{
      .client = client.value(),
      .registry = platform::system_registry(),
      .cache_root = settings.cache_root(),
      .feed_url = feed_url,
      .client_id = client_id.value(),
      .telemetry = &telemetry,
      .clock = clock,
      .cancel = *cancel,
      .status = status,
      .skip_install = settings.skip_install,
  };
  const auto ran = run_pipeline(deps, RunKind::windowed);
  const Result<void> outcome = ran ? Result<void>() : Result<void>(ran.error());

  report(telemetry, outcome);
  (void)telemetry::telemetry_shutdown(telemetry, clock);
  show(*status, outcome);
}

}  // namespace corvald
