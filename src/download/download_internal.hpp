// download_and_verify with its log and telemetry outlets open, so tests can read both
// without installing the process-wide logger or a telemetry pipeline.
#pragma once

#include "download/download.hpp"
#include "download/transfer.hpp"

namespace corvald::download {

// Lines to the app_installer log at INFO; events to the handle, or nowhere without one.
Reporter standard_reporter(const telemetry::TelemetryHandle* telemetry);

Result<Path> download_with_reporter(const net::HttpClient& client, const feed::Feed& feed,
                                    const Path& final_path, const CancelFlag& cancel,
                                    const ProgressFn& progress, std::string_view tag,
                                    const Reporter& reporter, const Clock& clock);

}  // namespace corvald::download
