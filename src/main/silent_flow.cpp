#include "main/silent_flow.hpp"

#include "build_info.hpp"
#include "cache/cache.hpp"
#include "download/download.hpp"
#include "feed/feed_url.hpp"
#include "installed_probe/installed_probe.hpp"
#include "logfile/log.hpp"
#include "net/http_client.hpp"
#include "net/request_identity.hpp"
#include "startup/client_id.hpp"
#include "startup/run_mode.hpp"
#include "worker/feed_request.hpp"
#include "worker/installer_step.hpp"

namespace corvald {
namespace {

Result<Path> installer_for(const net::HttpClient& client, const feed::Feed& feed,
                           const cache::CacheLookup& lookup) {
  if (lookup.kind == cache::CacheLookup::Kind::hit) {
    log_info(log_target::app, "[silent] cache HIT {}", lookup.path);
    return lookup.path;
  }
  // Nobody can cancel a silent run; the flag only satisfies the engine's interface.
  const CancelFlag never_set;
  return download::download_and_verify(
      client, feed, lookup.path, never_set, [](std::uint64_t, std::uint64_t) {}, "silent",
      nullptr);
}

Result<std::uint32_t> install_from(const net::HttpClient& client, const feed::Feed& feed,
                                   const cache::CacheLookup& lookup) {
  auto installer = installer_for(client, feed, lookup);
  if (!installer) return std::move(installer).error();
  // Deployment tools decide what a machine runs: the feed's build is installed even when the
  // installed copy is newer.
  log_info(log_target::app, "[silent] spawning NSIS with silent=true");
  auto code = run_verified_installer(installer.value(), feed, installer_args(true));
  if (!code) return std::move(code).error();
  // Signed, as the worker shows installer codes: a crash reads -1073741819, not 3221225477.
  log_info(log_target::app, "[silent] NSIS exit code {}", static_cast<std::int32_t>(code.value()));
  (void)cache::prune_older(feed.version);
  return code.value();
}

Result<std::uint32_t> install(const net::HttpClient& client, const feed::Feed& feed) {
  auto lookup = cache::cache_lookup(feed);
  if (!lookup) return std::move(lookup).error();
  auto code = install_from(client, feed, lookup.value());
  if (lookup->kind == cache::CacheLookup::Kind::miss) cache::cleanup_stale_temps(lookup->path);
  return code;
}

Result<std::uint32_t> silent_install() {
  const std::string feed_url = feed::feed_url();
  log_info(log_target::app, "[silent] start version={} feed={}", build_info::stub_version,
           feed_url);
  auto client_id = load_or_create_client_id();
  if (!client_id) return std::move(client_id).error();
  auto client = net::HttpClient::open(net::stub_user_agent());
  if (!client) return std::move(client).error();

  const std::string request_id = net::new_request_id();
  log_info(log_target::app, "[silent] request_id={}", request_id);
  auto response = request_feed(client.value(), feed_url, client_id.value(), request_id);
  if (!response) return std::move(response).error();
  const std::uint32_t status = response->status;
  if (status == 200) {
    auto feed = read_feed(std::move(response).value());
    if (!feed) return std::move(feed).error();
    log_info(log_target::app, "[silent] feed OK version={} size={}", feed->version, feed->size);
    return install(client.value(), feed.value());
  }

  log_info(log_target::app, "[silent] feed FAILED status={} request_id={} url={} body={}", status,
           request_id, feed_url, failure_body(response.value()));
  if (status != 204) return StubError::http(feed_url, status);
  auto installed = probe_installed_healthy();
  if (!installed) return StubError::feed_no_build(feed_url);
  log_info(log_target::app,
           "[silent] feed has no build for this machine (204) — installed {} is healthy, nothing "
           "to do",
           installed->version);
  return std::uint32_t{0};
}

}  // namespace

int run_silent() {
  auto result = silent_install();
  if (!result) {
    log_info(log_target::app, "[main] silent flow failed: {}", result.error().display());
    return static_cast<int>(ExitCode::failed);
  }
  log_info(log_target::app, "[main] silent flow done, exit code {}",
           static_cast<std::int32_t>(result.value()));
  return silent_exit_code(result.value());
}

}  // namespace corvald
