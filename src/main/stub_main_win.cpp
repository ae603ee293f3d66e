#include "main/stub_main.hpp"

#include <cstdio>
#include <system_error>

#include "build_info.hpp"
#include "i18n/i18n.hpp"
#include "logfile/log.hpp"
#include "logfile/logger.hpp"
#include "main/command_line.hpp"
#include "main/report_log.hpp"
#include "main/silent_flow.hpp"
#include "main/windowed_mode.hpp"
#include "net/http_client.hpp"
#include "net/uuid.hpp"
#include "platform/process.hpp"
#include "platform/single_instance.hpp"
#include "startup/client_id.hpp"
#include "startup/paths.hpp"
#include "startup/run_mode.hpp"
#include "startup/run_settings.hpp"
#include "telemetry/stub_telemetry.hpp"
#include "telemetry/telemetry.hpp"
#include "text/format.hpp"
#include "wer_setup/crash_dumps.hpp"

namespace corvald {
namespace {

constexpr unsigned log_retention_hours = 72;

// Without a log the run goes on unchanged. The reason can only go to the console: a log
// written below a link would land wherever the link points, and a logger that did not start
// has nowhere to write.
void no_log_for_this_run(const std::string& reason) {
  std::fputs(text::format("[main] no log for this run: {}\n", reason).c_str(), stderr);
}

void start_logging(const RunSettings& settings) {
  auto dir = create_logs_dir(settings.local_app_data);
  if (!dir) return no_log_for_this_run(dir.error().display());
  logfile::LoggerConfig config;
  config.level = logfile::Level::info;
  config.name = build_info::folder_name;
  config.folder = std::move(dir).value();
  config.retention_hours = log_retention_hours;
  config.echo_to_stderr = false;
  if (!logfile::init_logging(config)) {
    no_log_for_this_run(text::format("the logger could not start in {}", config.folder));
  }
}

int run_already_running(const RunSettings& settings) {
  log_info("[main] another instance is already running — exiting");
  const int code = static_cast<int>(ExitCode::already_running);

  // The service learns of the refused start; when the means to tell it are missing the
  // refusal itself still stands.
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return code;
  auto client_id = load_or_create_client_id_under(settings.local_app_data);
  if (!client_id) return code;

  auto telemetry = telemetry::start_stub_telemetry(
      std::move(client).value(), settings,
      {user_agent, net::new_uuid_v4(), std::move(client_id).value()}, settings.locale);
  telemetry::telemetry_send(telemetry, telemetry::TelemetryEvent("stub_already_running"));
  (void)telemetry::telemetry_shutdown(telemetry);
  return code;
}

int dispatch(const RunSettings& settings) {
  log_info("=== new run: version={} pid={} ===", build_info::stub_version,
           platform::current_process_id());
  register_crash_dumps(settings.local_app_data);

  if (settings.report_log) return run_report_log(settings);

  const std::vector<std::string> args = process_arguments();
  const bool silent = has_silent_switch(args);
  log_info("[main] launched silent={} args={}", silent, format_arg_list(args));

  const std::string mutex_name =
      std::string("Global\\") + build_info::folder_name + "-" + build_info::stub_version;
  const auto guard = platform::SingleInstance::acquire(mutex_name);
  if (guard.state() == platform::SingleInstance::State::already_running) {
    return run_already_running(settings);
  }
  return silent ? run_silent(settings) : run_windowed(settings);
}

}  // namespace

int stub_main() {
  // The environment is read here and nowhere else, before the log or anything else starts.
  const RunSettings settings = read_run_settings();
  i18n::use_locale(settings.locale);
  start_logging(settings);
  const int code = dispatch(settings);
  // An orderly exit lets the writer finish the lines of this run.
  logfile::shutdown_logging();
  return code;
}

}  // namespace corvald
