// Finding the installed application in the Windows uninstall registry, and starting it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ui_status.hpp"
#include "platform/registry.hpp"
#include "telemetry/telemetry.hpp"
#include "text/path.hpp"

namespace corvald {

struct InstalledApp {
  std::string version;      // the entry's DisplayVersion
  std::optional<Path> exe;  // absent when the entry names no usable path
};

// The first matching uninstall entry (per-user before per-machine, 64-bit before 32-bit),
// whether or not its executable exists. Registry failures count as "not there".
std::optional<InstalledApp> probe_installed(platform::Registry& registry);
std::optional<InstalledApp> probe_installed();

// probe_installed, but only when its executable names an existing plain file.
std::optional<InstalledApp> probe_installed_healthy(platform::Registry& registry);
std::optional<InstalledApp> probe_installed_healthy();

// The executable named by an entry's DisplayIcon, else "<product>.exe" in its InstallLocation.
std::optional<Path> exe_from_entry(const std::optional<std::string>& display_icon,
                                   const std::optional<std::string>& install_location);

// The product name alone, or followed by a space and a digit ("Corvald Tavrin 2.4.1").
bool display_name_matches(std::string_view name);

// Starts the application without waiting and always finishes `status`: with the launching
// text when it started, else with `fallback_text`. A failed launch never fails the run.
void launch_app(const std::optional<Path>& exe, UiStatus& status,
                const telemetry::TelemetryHandle* telemetry, const std::string& fallback_text);

}  // namespace corvald
