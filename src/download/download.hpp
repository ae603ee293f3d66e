// The download engine: a 4 MiB probe, 8 MiB ranges on 2, 4 or 6 worker threads into one
// pre-sized file, per-range retries that resume after the bytes written, a single-connection
// fallback, then verification and promotion; up to three whole attempts.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/clock.hpp"
#include "base/result.hpp"
#include "base/ui_status.hpp"
#include "feed/feed.hpp"
#include "net/http_client.hpp"
#include "text/path.hpp"

namespace corvald::telemetry {
class TelemetryHandle;
}

namespace corvald::download {

// Called only on the thread that called download_and_verify.
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

Result<Path> download_and_verify(const net::HttpClient& client, const feed::Feed& feed,
                                 const Path& final_path, const CancelFlag& cancel,
                                 const ProgressFn& progress, std::string_view tag,
                                 const telemetry::TelemetryHandle* telemetry,
                                 const Clock& clock = Clock::real());

}  // namespace corvald::download
