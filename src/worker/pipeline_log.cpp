#include "worker/pipeline_log.hpp"

#include "logfile/log.hpp"

namespace corvald {
namespace {

std::string_view prefix(PipelineLogLines lines) {
  return lines == PipelineLogLines::silent ? "[silent] " : "  ";
}

}  // namespace

void log_request_id(PipelineLogLines lines, std::string_view request_id) {
  log_info("{}request_id={}", prefix(lines), request_id);
}

void log_feed_ok(PipelineLogLines lines, const feed::Feed& feed) {
  if (lines == PipelineLogLines::silent) {
    log_info("[silent] feed OK version={} size={}", feed.version, feed.size);
    return;
  }
  log_info("  feed OK: version={}, size={} MB", feed.version, feed.size / 1048576);
}

void log_feed_failed(PipelineLogLines lines, std::uint32_t status, std::string_view request_id,
                     std::string_view feed_url, const std::string& body) {
  log_info("{}feed FAILED status={} request_id={} url={} body={}", prefix(lines), status,
           request_id, feed_url, body);
}

void log_cache_hit(PipelineLogLines lines, const Path& installer) {
  if (lines == PipelineLogLines::silent) {
    log_info("[silent] cache HIT {}", installer);
    return;
  }
  log_info("  cache HIT: {}", installer);
}

void log_cache_miss(PipelineLogLines lines, const Path& target) {
  if (lines == PipelineLogLines::silent) return;
  log_info("  cache MISS → will download to {}", target);
}

void log_no_build_but_healthy(PipelineLogLines lines, std::string_view installed_version) {
  log_info("{}feed has no build for this machine (204) — installed {} is healthy, nothing to do",
           prefix(lines), installed_version);
}

}  // namespace corvald
