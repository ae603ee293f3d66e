// Running the downloaded installer: the up-to-date decision, the silent run, the wait and the
// hand-over to the launcher.
#pragma once

#include <cstdint>
#include "text/path.hpp"
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"
#include "base/ui_status.hpp"
#include "feed/feed.hpp"
#include "platform/child_process.hpp"
#include "platform/registry.hpp"
#include "telemetry/telemetry.hpp"

namespace corvald {

enum class VersionOrder { less, equal, greater };

// Dot-separated unsigned numbers; any part that is not plain digits (an optional leading
// "+" allowed) or does not fit 64 bits counts as 0, and missing parts count as 0.
VersionOrder compare_versions(std::string_view a, std::string_view b);

// The NSIS silent switch, once, whether or not the stub itself runs silently.
std::vector<std::string> installer_args(bool stub_silent);

// "installer not found: {}" when nothing is at the path, "spawn installer: {}" when it
// cannot be started.
Result<platform::ChildProcess> spawn_installer(const Path& installer,
                                               const std::vector<std::string>& args);

// Runs between the verification and the start, with the held installer's path.
using BeforeStartFn = std::function<void(const Path&)>;

// Holds the installer, verifies it against the feed through that hold, runs it and waits for
// its exit code; the hold ends when the installer has exited.
Result<std::uint32_t> run_verified_installer(const Path& installer,
                                             const feed::Feed& feed,
                                             const std::vector<std::string>& args,
                                             const BeforeStartFn& before_start = {});

// The whole step against the machine's registry and the stub's cache.
Result<void> run_installer_step(const Path& installer, const feed::Feed& feed,
                                UiStatus& status, const CancelFlag& cancel,
                                const telemetry::TelemetryHandle* telemetry);
// The same with a chosen registry, for tests.
Result<void> run_installer_step(platform::Registry& registry,
                                const Path& installer, const feed::Feed& feed,
                                UiStatus& status,
                                const CancelFlag& cancel,
                                const telemetry::TelemetryHandle* telemetry);

// "installer exited with code {}": Windows exit codes such as 0xC0000005 read as signed.
std::string installer_exit_message(std::uint32_t exit_code);
// Milliseconds as seconds with one decimal, for the "install OK" line.
std::string format_seconds(std::uint64_t duration_ms);

}  // namespace corvald
