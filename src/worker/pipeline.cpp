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
  const PipelineDeps &deps;
  const PipelineOptions &options;

  UiStatus &status() const { return *deps.status; }
  bool launches() const {
    return options.install_policy == InstallPolicy::update_and_launch;
  }
};

Result<std::uint32_t> deploy(const cache::HeldInstaller &installer,
                             const feed::Feed &feed, const Path &cache_root) {
  log_info("[silent] spawning NSIS with silent=true");
  auto code = run_held_installer(installer, installer_args());
  if (!code)
    return std::move(code).error();
  // Signed, as the window shows installer codes: a crash reads -1073741819, not
  // 3221225477.
  log_info("[silent] NSIS exit code {}",
           static_cast<std::int32_t>(code.value()));
  (void)cache::prune_older_in(cache_root, feed.version);
  return code.value();
}

Result<std::uint32_t> install(const Run &r, cache::HeldInstaller installer,
                              const feed::Feed &feed, const Path &cache_root) {
  if (!r.launches())
    return deploy(installer, feed, cache_root);
  const InstallerStepContext step{
      r.deps.registry, cache_root,       r.deps.clock,       r.status(),
      r.deps.cancel,   r.deps.telemetry, r.deps.skip_install};
  if (auto done = run_installer_step(step, std::move(installer), feed); !done) {
    return done.error();
  }
  return std::uint32_t{0};
}

Result<std::uint32_t> download_then_install(const Run &r,
                                            const feed::Feed &feed,
                                            const Path &target,
                                            const Path &cache_root) {
  log_cache_miss(r.options.log_lines, target);
  if (r.deps.cancel.is_set())
    return StubError::cancelled();
  set_status(r.status(), Phase::downloading, 0,
             i18n::tr("ui.status.preparing_download"));
  if (r.options.warm_up_download_connection) {
    // The answer itself carries nothing the download needs.
    (void)r.deps.client.send(feed.url, "HEAD", {});
  }
  const ProgressContext progress =
      make_progress_context(feed, r.deps.status, r.deps.clock);
  auto downloaded = download::download_and_verify(
      r.deps.client, feed, target, r.deps.cancel,
      [&progress](std::uint64_t done, std::uint64_t total) {
        on_download_progress(progress, done, total);
      },
      r.options.download_tag, r.deps.telemetry, r.deps.clock);
  if (!downloaded)
    return std::move(downloaded).error();
  // The download's own digest was of the bytes as they arrived; what runs is
  // judged again, through the handle that keeps it from changing until the
  // installer has exited.
  auto held = cache::hold_verified(downloaded.value(), feed, r.deps.clock);
  if (!held)
    return std::move(held).error();
  return install(r, std::move(held).value(), feed, cache_root);
}

Result<std::uint32_t> use_feed(const Run &r, const feed::Feed &feed) {
  log_feed_ok(r.options.log_lines, feed);
  set_target(r.status(), feed.version, feed.release_date);
  telemetry::telemetry_send(r.deps.telemetry,
                            TelemetryEvent("checkupdate_success")
                                .add_text("target_version", feed.version)
                                .add_u64("size", feed.size));

  if (!r.deps.cache_root)
    return r.deps.cache_root.error();
  const Path &cache_root = r.deps.cache_root.value();
  auto slot = cache::prepare_cache_slot(cache_root, feed);
  if (!slot)
    return std::move(slot).error();
  auto lookup = cache::cache_lookup(slot.value(), feed, r.deps.clock);
  if (!lookup)
    return std::move(lookup).error();
  if (lookup->kind == cache::CacheLookup::Kind::miss) {
    auto outcome = download_then_install(r, feed, slot.value(), cache_root);
    cache::sweep_stale_temps(slot.value(), r.deps.clock);
    return outcome;
  }
  cache::cleanup_stale_temps(slot.value());
  log_cache_hit(r.options.log_lines, lookup->path);
  telemetry::telemetry_send(
      r.deps.telemetry,
      TelemetryEvent("cache_hit").add_text("target_version", feed.version));
  set_status(
      r.status(), Phase::cached_verified, 95,
      i18n::tr_with("ui.status.cached_verified", {{"version", feed.version}}));
  return install(r, std::move(lookup->held).value(), feed, cache_root);
}

// 204: the service has no build for this machine, which is only fine when one
// is installed.
Result<std::uint32_t> no_build(const Run &r) {
  auto installed = probe_installed_healthy(r.deps.registry);
  if (!installed)
    return StubError::feed_no_build(r.deps.feed_url);
  log_no_build_but_healthy(r.options.log_lines, installed->version);
  telemetry::telemetry_send(
      r.deps.telemetry, TelemetryEvent("feed_no_build_already_installed")
                            .add_text("installed_version", installed->version));
  if (r.launches()) {
    launch_app(installed->exe, r.status(), r.deps.telemetry,
               i18n::tr("ui.status.up_to_date"));
  }
  return std::uint32_t{0};
}

} // namespace

Result<std::uint32_t> run_pipeline(const PipelineDeps &deps,
                                   const PipelineOptions &options) {
  const Run r{deps, options};
  if (deps.cancel.is_set())
    return StubError::cancelled();
  const std::string request_id = net::new_request_id();
  log_request_id(options.log_lines, request_id);

  auto response =
      request_feed(deps.client, deps.feed_url, deps.client_id, request_id);
  if (!response)
    return std::move(response).error();
  const std::uint32_t status = response->status;
  if (status == 200) {
    auto feed = read_feed(std::move(response).value(), deps.feed_url);
    if (!feed)
      return std::move(feed).error();
    return use_feed(r, feed.value());
  }

  log_feed_failed(options.log_lines, status, request_id, deps.feed_url,
                  failure_body(response.value()));
  if (status == 204)
    return no_build(r);
  return StubError::http(deps.feed_url, status);
}

} // namespace corvald
