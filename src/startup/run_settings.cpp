#include "startup/run_settings.hpp"

#include "i18n/resolve_locale.hpp"
#include "platform/env.hpp"
#include "platform/env_names.hpp"
#include "platform/locale_name.hpp"
#include "startup/paths.hpp"
#include "startup/run_mode.hpp"

namespace corvald {

Path RunSettings::logs_dir() const { return logs_dir_under(local_app_data); }

Result<Path> RunSettings::cache_root() const { return cache_dir_under(local_app_data); }

RunSettings read_run_settings() {
  RunSettings settings;
  settings.local_app_data = platform::env_path("LOCALAPPDATA");
  settings.report_log = switch_on(platform::env_var(env_name::report_log));
  settings.skip_install = switch_on(platform::env_var(env_name::skip_install));
  // Presence is what counts for these two, so the raw lookup is used: a value that is not
  // valid Unicode still counts as set.
  settings.telemetry_url_set = platform::env_path(env_name::telemetry_url).has_value();
  settings.telemetry_url = platform::env_var(env_name::telemetry_url);
  settings.telemetry_trace = platform::env_path(env_name::telemetry_trace).has_value();
  settings.screenshot_dir = platform::env_var(env_name::screenshot_dir);
  settings.service_url = platform::env_var(env_name::service_url);
  settings.locale = i18n::resolve_locale(platform::env_var(env_name::locale),
                                         platform::user_default_locale_name());
  return settings;
}

}  // namespace corvald
