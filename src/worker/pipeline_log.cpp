#include "worker/pipeline_log.hpp"

#include "logfile/log.hpp"

namespace corvald {
namespace {

std::string_view prefix(RunKind kind) { return kind == RunKind::silent ? "[silent] " : "  "; }

}  // namespace

void log_request_id(RunKind kind, std::string_view request_id) {
  log_info("{}request_id={}", prefix(kind), request_id);
}

void log_feed_ok(RunKind kind, const feed::Feed& feed) {
  if (kind == RunKind::silent) {
    log_info("[silent] feed OK version={} size={}", feed.version, feed.size);
    return;
  }
  log_info("  feed OK: version={}, size={} MB", feed.version, feed.size / 1048576);
}

void log_feed_failed(RunKind kind, std::uint32_t status, std::string_view request_id,
                     std::string_view feed_url, const std::string& body) {
  log_info("{}feed FAILED status={} request_id={} url={} body={}", prefix(kind), status, request_id,
           feed_url, body);
}

void log_cache_hit(RunKind kind, const Path& installer) {
  if (kind == RunKind::silent) {
    log_info("[silent] cache HIT {}", installer);
    return;
  }
  log_info("  cache HIT: {}", installer);
}

void log_cache_miss(RunKind kind, const Path& target) {
  if (kind == RunKind::silent) return;
  log_info("  cache MISS → will download to {}", target);
}

void log_no_build_but_healthy(RunKind kind, std::string_view installed_version) {
  log_info("{}feed has no build for this machine (204) — installed {} is healthy, nothing to do",
           prefix(kind), installed_version);
}

void log_install_skipped(RunKind kind) {
  log_info("{}skipping install (APP_INSTALLER_SKIP_INSTALL=1)", prefix(kind));
}

void log_deploy_start(RunKind kind) { log_info("{}spawning NSIS with silent=true", prefix(kind)); }

void log_deploy_exit_code(RunKind kind, std::uint32_t exit_code) {
  // Signed: a crash reads -1073741819, not 3221225477.
  log_info("{}NSIS exit code {}", prefix(kind), static_cast<std::int32_t>(exit_code));
}

}  // namespace corvald
