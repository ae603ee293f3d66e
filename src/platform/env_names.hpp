// The environment variables the stub itself reads. Administrators set them from deployment
// tools, so every name lives here once and docs/deploying.md is checked against this list.
#pragma once

#include <array>
#include <string_view>

namespace corvald::env_name {

inline constexpr std::string_view report_log = "APP_INSTALLER_REPORT_LOG";
inline constexpr std::string_view skip_install = "APP_INSTALLER_SKIP_INSTALL";
inline constexpr std::string_view telemetry_url = "APP_INSTALLER_TELEMETRY_URL";
inline constexpr std::string_view telemetry_trace = "APP_INSTALLER_TELEMETRY_TRACE";
inline constexpr std::string_view locale = "APP_INSTALLER_LOCALE";
inline constexpr std::string_view screenshot_dir = "APP_INSTALLER_SCREENSHOT_DIR";
inline constexpr std::string_view service_url = "APP_INSTALLER_SERVICE_URL";

inline constexpr std::array all = {report_log, skip_install,   telemetry_url, telemetry_trace,
                                   locale,     screenshot_dir, service_url};

}  // namespace corvald::env_name
