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

void log_request_id(PipelineLogLines lines, std::string_view request_id);
void log_feed_ok(PipelineLogLines lines, const feed::Feed& feed);
void log_feed_failed(PipelineLogLines lines, std::uint32_t status, std::string_view request_id,
                     std::string_view feed_url, const std::string& body);
void log_cache_hit(PipelineLogLines lines, const Path& installer);
// Silent runs have never logged the miss: the download engine's lines follow at once.
void log_cache_miss(PipelineLogLines lines, const Path& target);
void log_no_build_but_healthy(PipelineLogLines lines, std::string_view installed_version);

}  // namespace corvald
