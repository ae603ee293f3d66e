// The pipeline's log lines in each mode's wording: the windowed run's are indented under its
// start lines, the silent run's carry its tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "feed/feed.hpp"
#include "text/path.hpp"
#include "worker/pipeline.hpp"

namespace corvald {

void log_request_id(RunKind kind, std::string_view request_id);
void log_feed_ok(RunKind kind, const feed::Feed& feed);
void log_feed_failed(RunKind kind, std::uint32_t status, std::string_view request_id,
                     std::string_view feed_url, const std::string& body);
void log_cache_hit(RunKind kind, const Path& installer);
// Silent runs have never logged the miss: the download engine's lines follow at once.
void log_cache_miss(RunKind kind, const Path& target);
void log_no_build_but_healthy(RunKind kind, std::string_view installed_version);
void log_install_skipped(RunKind kind);
// A silent run's installer: its start and its exit code, signed as the window shows codes.
void log_deploy_start(RunKind kind);
void log_deploy_exit_code(RunKind kind, std::uint32_t exit_code);

}  // namespace corvald
