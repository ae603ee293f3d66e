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

// Each mode keeps the log lines it has always written: support reads them by their wording.
enum class PipelineLogLines { windowed, silent };

enum class InstallPolicy {
  // For a user at the window: an installed copy at least as new as the feed's build is launched
  // instead of installing, the application is launched after an install and when the service
  // has no build, and a non-zero installer exit code fails the run.
  update_and_launch,
  // For deployment tools, which decide what a machine runs: the feed's build is always
  // installed, nothing is launched, and the installer's exit code is the outcome.
  deploy,
};

struct PipelineOptions {
  // Names the run in the download engine's log lines.
  std::string_view download_tag;
  PipelineLogLines log_lines = PipelineLogLines::windowed;
  // A HEAD for the installer before the ranged requests opens the connection to the download
  // host early.
  bool warm_up_download_connection = false;
  InstallPolicy install_policy = InstallPolicy::update_and_launch;
};

// The installer's exit code under InstallPolicy::deploy; 0 when it succeeded otherwise, or
// when no installer had to run.
Result<std::uint32_t> run_pipeline(const PipelineDeps& deps, const PipelineOptions& options);

}  // namespace corvald
