#include "worker/pipeline.hpp"

#include "cache/cache.hpp"
#include "download/download.hpp"
#include "i18n/i18n.hpp"
#include "installed_probe/installed_probe.hpp"
#include "logfile/log.hpp"
#include "net/request_identity.hpp"
#include "worker/download_progress.hpp"
#include "worker/feed_request.hpp"
#include "worker/installer_step.hpp"
#include "worker/pipeline_log.hpp"

namespace corvald {
namespace {

using telemetry::TelemetryEvent;

struct Run {
  const PipelineDeps& deps;
  RunKind kind;

  UiStatus& status() const { return *deps.status; }
  bool launches() const { return kind == RunKind::windowed; }
};

// The feed's build whatever is installed, and its exit code as the outcome.
Result<std::uint32_t> deploy(const Run& r, const cache::HeldInstaller& installer,
                             const feed::Feed& feed, const Path& cache_root) {
  if (r.deps.cancel.is_set()) return StubError::cancelled();
  if (r.deps.skip_install) {
    log_install_skipped(r.kind);
    return std::uint32_t{0};
  }
  log_deploy_start(r.kind);
  auto ran = run_reported_installer(installer, feed, r.deps.clock, r.deps.telemetry);
  if (!ran) return std::move(ran).error();
  log_deploy_exit_code(r.kind, ran->exit_code);
  (void)cache::prune_older_in(cache_root, feed.version);
  return ran->exit_code;
}

Result<std::uint32_t> install(const Run& r, cache::HeldInstaller installer, const feed::Feed& feed,
                              const Path& cache_root) {
  if (!r.launches()) return deploy(r, installer, feed, cache_root);
  const InstallerStepContext step{r.deps.registry, cache_root,       r.deps.clock,       r.status(),
                                  r.deps.cancel,   r.deps.telemetry, r.deps.skip_install};
  if (auto done = run_installer_step(step, std::move(installer), feed); !done) {
    return done.error();
  }
  return std::uint32_t{0};
}

Result<std::uint32_t> download_then_install(const Run& r, const feed::Feed& feed,
                                            const Path& target, const Path& cache_root) {
  log_cache_miss(r.kind, target);
  if (r.deps.cancel.is_set()) return StubError::cancelled();
  set_status(r.status(), Phase::downloading, 0, i18n::tr("ui.status.preparing_download"));
  if (r.kind == RunKind::windowed) {
    // The answer itself carries nothing the download needs.
    (void)r.deps.client.send(feed.url, "HEAD", {});
  }
  const ProgressContext progress = make_progress_context(feed, r.deps.status, r.deps.clock);
  auto downloaded = download::download_and_verify(
      r.deps.client, feed, target, r.deps.cancel,
      [&progress](std::uint64_t done, std::uint64_t total) {
        on_download_progress(progress, done, total);
      },
      download_tag(r.kind), r.deps.telemetry, r.deps.clock);
  if (!downloaded) return std::move(downloaded).error();
  // The download's own digest was of the bytes as they arrived; what runs is judged again,
  // through the handle that keeps it from changing until the installer has exited.
  auto held = cache::hold_verified(downloaded.value(), feed, r.deps.clock);
  if (!held) return std::move(held).error();
  return install(r, std::move(held).value(), feed, cache_root);
}

Result<std::uint32_t> use_feed(const Run& r, const feed::Feed& feed) {
  log_feed_ok(r.kind, feed);
  set_target(r.status(), feed.version, feed.release_date);
  telemetry::telemetry_send(r.deps.telemetry, TelemetryEvent("checkupdate_success")
                                                  .add_text("target_version", feed.version)
                                                  .add_u64("size", feed.size));

  if (!r.deps.cache_root) return r.deps.cache_root.error();
  const Path& cache_root = r.deps.cache_root.value();
  auto slot = cache::prepare_cache_slot(cache_root, feed);
  if (!slot) return std::move(slot).error();
  auto lookup = cache::cache_lookup(slot.value(), feed, r.deps.clock);
  if (!lookup) return std::move(lookup).error();
  if (lookup->kind == cache::CacheLookup::Kind::miss) {
    auto outcome = download_then_install(r, feed, slot.value(), cache_root);
    cache::sweep_stale_temps(slot.value(), r.deps.clock);
    return outcome;
  }
  cache::cleanup_stale_temps(slot.value());
  log_cache_hit(r.kind, lookup->path);
  telemetry::telemetry_send(r.deps.telemetry,
                            TelemetryEvent("cache_hit").add_text("target_version", feed.version));
  set_status(r.status(), Phase::cached_verified, 95,
             i18n::tr_with("ui.status.cached_verified", {{"version", feed.version}}));
  return install(r, std::move(lookup->held).value(), feed, cache_root);
}

// 204: the service has no build for this machine, which is only fine when one is installed.
Result<std::uint32_t> no_build(const Run& r) {
  auto installed = probe_installed_healthy(r.deps.registry);
  if (!installed) return StubError::feed_no_build(r.deps.feed_url);
  log_no_build_but_healthy(r.kind, installed->version);
  telemetry::telemetry_send(r.deps.telemetry,
                            TelemetryEvent("feed_no_build_already_installed")
                                .add_text("installed_version", installed->version));
  if (r.launches()) {
    launch_app(installed->exe, r.status(), r.deps.telemetry, i18n::tr("ui.status.up_to_date"));
  }
  return std::uint32_t{0};
}

}  // namespace

std::string_view download_tag(RunKind kind) {
  return kind == RunKind::silent ? "silent" : "worker";
}

Result<std::uint32_t> run_pipeline(const PipelineDeps& deps, RunKind kind) {
  const Run r{deps, kind};
  if (deps.cancel.is_set()) return StubError::cancelled();
  const std::string request_id = net::new_request_id();
  log_request_id(kind, request_id);

  auto response = request_feed(deps.client, deps.feed_url, deps.client_id, request_id);
  if (!response) return std::move(response).error();
  const std::uint32_t status = response->status;
  if (status == 200) {
    auto feed = read_feed(std::move(response).value(), deps.feed_url);
    if (!feed) return std::move(feed).error();
    return use_feed(r, feed.value());
  }

  log_feed_failed(kind, status, request_id, deps.feed_url, failure_body(response.value()));
  if (status == 204) return no_build(r);
  return StubError::http(deps.feed_url, status);
}

}  // namespace corvald
