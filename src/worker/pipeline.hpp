// The install pipeline both run modes share: the feed request and what its answer leads to, a
// cached or downloaded installer and its run, or the installed copy when the service has no
// build. Everything it talks to is handed in, so tests run it against doubles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.hpp"
#include "base/result.hpp"
#include "base/ui_status.hpp"
#include "download/download.hpp"
#include "net/http_client.hpp"
#include "platform/registry.hpp"
#include "telemetry/telemetry.hpp"
#include "text/path.hpp"

namespace corvald {

struct PipelineDeps {
  net::HttpClient client;
  platform::Registry& registry;
  // The cache folder, or why there is none; a run fails on it only once it needs the cache,
  // so a 204 or a refused feed still reads as such.
  Result<Path> cache_root;
  std::string feed_url;
  std::string client_id;
  // Absent when the run reports nothing.
  const telemetry::TelemetryHandle* telemetry = nullptr;
  // The download's retry waits and progress throttle, and the installer's duration.
  Clock clock;
  const CancelFlag& cancel;
  SharedUiStatus status;
  // Passed on to the installer step of a run that launches.
  bool skip_install = false;
};

// Who a run is for. The kind decides the run's log wording (support reads each by its words)
// and what it does with the installer, together, so no run mixes the two.
enum class RunKind {
  // A user at the window: an installed copy at least as new as the feed's build is launched
  // instead of installing, the application is launched after an install and when the service
  // has no build, and a non-zero installer exit code fails the run. A HEAD for the installer
  // opens the connection to the download host while the window shows its first step.
  windowed,
  // A deployment tool, which decides what a machine runs: the feed's build is always
  // installed, nothing is launched, and the installer's exit code is the outcome.
  silent,
};

// Names the run in the download engine's log lines.
std::string_view download_tag(RunKind kind);

// The installer's exit code in a silent run; 0 when it succeeded otherwise, or when no
// installer had to run.
Result<std::uint32_t> run_pipeline(const PipelineDeps& deps, RunKind kind);

}  // namespace corvald
