#include "worker/worker.hpp"

#include <thread>

#include "build_info.hpp"
#include "cache/cache.hpp"
#include "download/download.hpp"
#include "feed/feed_url.hpp"
#include "i18n/i18n.hpp"
#include "installed_probe/installed_probe.hpp"
#include "logfile/log.hpp"
#include "net/http_client.hpp"
#include "net/request_identity.hpp"
#include "net/uuid.hpp"
#include "startup/client_id.hpp"
#include "telemetry/endpoint.hpp"
#include "telemetry/telemetry.hpp"
#include "worker/feed_request.hpp"
#include "worker/installer_step.hpp"

namespace corvald {
namespace {

using telemetry::TelemetryEvent;
using telemetry::TelemetryHandle;

// Gives the freshly built window a moment to paint its starting text before work begins.
constexpr auto start_delay = std::chrono::milliseconds(120);

struct Pipeline {
  UiStatus& status;
  const CancelFlag& cancel;
  const net::HttpClient& client;
  const TelemetryHandle& telemetry;
  const WorkerHooks& hooks;
  SharedUiStatus shared_status;
  std::string feed_url;
  std::string client_id;
};

Result<void> install(const Pipeline& p, const Path& installer,
                     const feed::Feed& feed) {
  return run_installer_step(installer, feed, p.status, p.cancel, &p.telemetry);
}

Result<void> download_then_install(const Pipeline& p, const feed::Feed& feed,
                                   const Path& target) {
  log_info(log_target::app, "  cache MISS → will download to {}", target);
  if (p.cancel.is_set()) return StubError::cancelled();
  set_status(p.status, Phase::downloading, 0, i18n::tr("ui.status.preparing_download"));
  // Opens the connection to the download host ahead of the ranged requests; the answer
  // itself carries nothing the download needs.
  (void)p.client.send(feed.url, "HEAD", {});
  const ProgressContext progress = make_progress_context(feed, p.shared_status, p.hooks.now);
  auto downloaded = download::download_and_verify(
      p.client, feed, target, p.cancel,
      [&progress](std::uint64_t done, std::uint64_t total) {
        on_download_progress(progress, done, total);
      },
      "worker", &p.telemetry);
  if (!downloaded) return std::move(downloaded).error();
  return install(p, downloaded.value(), feed);
}

Result<void> use_feed(const Pipeline& p, const feed::Feed& feed) {
  log_info(log_target::app, "  feed OK: version={}, size={} MB", feed.version,
           feed.size / 1048576);
  set_target(p.status, feed.version, feed.release_date);
  telemetry::telemetry_send(p.telemetry, TelemetryEvent("checkupdate_success")
                                             .add_text("target_version", feed.version)
                                             .add_u64("size", feed.size));

  auto lookup = cache::cache_lookup(feed);
  if (!lookup) return std::move(lookup).error();
  if (lookup->kind == cache::CacheLookup::Kind::miss) {
    auto outcome = download_then_install(p, feed, lookup->path);
    cache::cleanup_stale_temps(lookup->path);
    return outcome;
  }
  log_info(log_target::app, "  cache HIT: {}", lookup->path);
  telemetry::telemetry_send(p.telemetry,
                            TelemetryEvent("cache_hit").add_text("target_version", feed.version));
  set_status(p.status, Phase::cached_verified, 95,
             i18n::tr_with("ui.status.cached_verified", {{"version", feed.version}}));
  return install(p, lookup->path, feed);
}

// 204: the service has no build for this machine, which is only fine when one is installed.
Result<void> no_build(const Pipeline& p) {
  auto installed = probe_installed_healthy();
  if (!installed) return StubError::feed_no_build(p.feed_url);
  log_info(log_target::app,
           "  feed has no build for this machine (204) — installed {} is healthy, nothing to do",
           installed->version);
  telemetry::telemetry_send(p.telemetry, TelemetryEvent("feed_no_build_already_installed")
                                             .add_text("installed_version", installed->version));
  launch_app(installed->exe, p.status, &p.telemetry, i18n::tr("ui.status.up_to_date"));
  return {};
}

Result<void> run_pipeline(const Pipeline& p) {
  if (p.cancel.is_set()) return StubError::cancelled();
  const std::string request_id = net::new_request_id();
  log_info(log_target::app, "  request_id={}", request_id);

  auto response = request_feed(p.client, p.feed_url, p.client_id, request_id);
  if (!response) return std::move(response).error();
  const std::uint32_t status = response->status;
  if (status == 200) {
    auto feed = read_feed(std::move(response).value());
    if (!feed) return std::move(feed).error();
    return use_feed(p, feed.value());
  }

  log_info(log_target::app, "  feed FAILED status={} request_id={} url={} body={}", status,
           request_id, p.feed_url, failure_body(response.value()));
  if (status == 204) return no_build(p);
  return StubError::http(p.feed_url, status);
}

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
  log_info(log_target::app, "[worker] {}", outcome.error().display());
  const MessageKey message = error_message_key(outcome.error());
  finish_failed(status, i18n::tr_with(message.key, message.args));
}

}  // namespace

WorkerHooks WorkerHooks::real() {
  return {[](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); },
          std::chrono::steady_clock::now};
}

void run_worker(SharedUiStatus status, SharedCancelFlag cancel) {
  run_worker(std::move(status), std::move(cancel), WorkerHooks::real());
}

void run_worker(SharedUiStatus status, SharedCancelFlag cancel, const WorkerHooks& hooks) {
  hooks.sleep(start_delay);
  const std::string feed_url = feed::feed_url();
  log_info(log_target::app, "app-installer worker start");
  log_info(log_target::app, "  APP_ID: {}  version: {}  built: {}  commit: {}",
           build_info::app_id, build_info::stub_version, build_info::build_datetime,
           build_info::commit);
  log_info(log_target::app, "  feed: {}", feed_url);

  // A failure before telemetry is running is shown, but nothing is reported.
  auto client_id = load_or_create_client_id();
  if (!client_id) return show(*status, std::move(client_id).error());
  const std::string session_id = net::new_uuid_v4();
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return show(*status, std::move(client).error());

  telemetry::TelemetryConfig config;
  config.endpoint = telemetry::telemetry_endpoint();
  config.user_agent = user_agent;
  config.app_id = build_info::app_id;
  config.stub_version = build_info::stub_version;
  config.session_id = session_id;
  config.client_id = client_id.value();
  config.locale = "en";
  config.channel = "windows";
  TelemetryHandle telemetry = telemetry::telemetry_start(client.value(), std::move(config));
  telemetry::telemetry_send(telemetry, TelemetryEvent("stub_started")
                                           .add_text("build_datetime", build_info::build_datetime)
                                           .add_text("build_commit", build_info::commit));

  set_status(*status, Phase::checking, 0, i18n::tr("ui.status.checking"));
  const Pipeline pipeline{*status,  *cancel,  client.value(),     telemetry,
                          hooks,    status,   feed_url,           client_id.value()};
  const Result<void> outcome = run_pipeline(pipeline);

  report(telemetry, outcome);
  (void)telemetry::telemetry_shutdown(telemetry);
  show(*status, outcome);
}

}  // namespace corvald
