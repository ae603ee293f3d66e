// What the stub takes from its environment, read once when the process starts and handed to
// whatever needs it: no step can see a value change under it, and none reads the environment.
#pragma once

#include <optional>
#include <string>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald {

struct RunSettings {
  // LOCALAPPDATA as it is set, also when empty or relative: each folder below decides what
  // such a value means for it.
  std::optional<Path> local_app_data;
  // APP_INSTALLER_REPORT_LOG is exactly "1".
  bool report_log = false;
  // APP_INSTALLER_SKIP_INSTALL is exactly "1".
  bool skip_install = false;
  // APP_INSTALLER_TELEMETRY_URL: whether it exists at all, and its text when that is readable.
  bool telemetry_url_set = false;
  std::optional<std::string> telemetry_url;
  // APP_INSTALLER_TELEMETRY_TRACE exists, whatever its value.
  bool telemetry_trace = false;
  // APP_INSTALLER_SCREENSHOT_DIR, when it is readable text.
  std::optional<std::string> screenshot_dir;
  // APP_INSTALLER_SERVICE_URL, when it is readable text; whether it is used is the service
  // origin's decision.
  std::optional<std::string> service_url;
  // The locale table's code: APP_INSTALLER_LOCALE, else the user's locale, else "en".
  std::string locale = "en";

  // %LOCALAPPDATA%\corvald-installer\logs, or .\corvald-installer\logs without LOCALAPPDATA.
  Path logs_dir() const;
  // %LOCALAPPDATA%\tavrin\Cache, or why there is none.
  Result<Path> cache_root() const;
};

RunSettings read_run_settings();

}  // namespace corvald
