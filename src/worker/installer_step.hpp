// Running the downloaded installer: the up-to-date decision, the silent run, the wait and the
// hand-over to the launcher.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.hpp"
#include "base/result.hpp"
#include "base/ui_status.hpp"
#include "cache/cache.hpp"
#include "feed/feed.hpp"
#include "platform/child_process.hpp"
#include "platform/registry.hpp"
#include "telemetry/telemetry.hpp"
#include "text/path.hpp"

namespace corvald {

enum class VersionOrder { less, equal, greater };

// Dot-separated unsigned numbers; any part that is not plain digits (an optional leading
// "+" allowed) or does not fit 64 bits counts as 0, and missing parts count as 0.
VersionOrder compare_versions(std::string_view a, std::string_view b);

// The NSIS silent switch, once: every run of the stub installs silently, with or without its
// window, and passes none of its own arguments on.
std::vector<std::string> installer_args();

// "installer not found: {}" when nothing is at the path, "spawn installer: {}" when it
// cannot be started.
Result<platform::ChildProcess> spawn_installer(const Path& installer,
                                               const std::vector<std::string>& args);

// Runs between the verification and the start, with the held installer's path.
using BeforeStartFn = std::function<void(const Path&)>;

// Runs the held installer and waits for its exit code; the caller's hold outlasts the run.
Result<std::uint32_t> run_held_installer(const cache::HeldInstaller& installer,
                                         const std::vector<std::string>& args,
                                         const BeforeStartFn& before_start = {});

struct InstallerRun {
  std::uint32_t exit_code;
  std::uint64_t duration_ms;
};

// Runs the held installer with the silent switch, timed on `clock` from its start to its exit,
// and reports the outcome: install_completed for exit code 0, install_failed otherwise.
Result<InstallerRun> run_reported_installer(const cache::HeldInstaller& installer,
                                            const feed::Feed& feed, const Clock& clock,
                                            const telemetry::TelemetryHandle* telemetry);

// What the installer step works against: the machine's registry and the stub's cache in the
// product, chosen ones in tests.
struct InstallerStepContext {
  platform::Registry& registry;
  // Pruned of other versions after a successful install.
  Path cache_root;
  // Times the installer's run for the telemetry events.
  const Clock& clock;
  UiStatus& status;
  const CancelFlag& cancel;
  const telemetry::TelemetryHandle* telemetry = nullptr;
  // Stops before the installer and reports the install as skipped (APP_INSTALLER_SKIP_INSTALL).
  bool skip_install = false;
};

// The up-to-date decision, the installer's run and the launch after it. The installer stays
// held until the step returns.
Result<void> run_installer_step(const InstallerStepContext& context, cache::HeldInstaller installer,
                                const feed::Feed& feed);

// "installer exited with code {}": Windows exit codes such as 0xC0000005 read as signed.
std::string installer_exit_message(std::uint32_t exit_code);
// Milliseconds as seconds with one decimal, for the "install OK" line.
std::string format_seconds(std::uint64_t duration_ms);

}  // namespace corvald
