#include <system_error>

#include "build_info.hpp"
#include "logfile/log.hpp"
#include "logfile/logger.hpp"
#include "main/command_line.hpp"
#include "main/paths.hpp"
#include "main/run_mode.hpp"
#include "main/stub_main.hpp"
#include "platform/env.hpp"
#include "platform/process.hpp"
#include "platform/single_instance.hpp"
#include "wer_setup/crash_dumps.hpp"

namespace corvald {
namespace {

constexpr unsigned log_retention_hours = 72;

void start_logging() {
  const auto dir = logs_dir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return;  // no log for this run; everything else goes on unchanged
  logfile::LoggerConfig config;
  config.level = logfile::Level::info;
  config.name = build_info::folder_name;
  config.folder = dir;
  config.retention_hours = log_retention_hours;
  config.echo_to_stderr = false;
  logfile::init_logging(config);
}

int run_already_running() {
  log_info(log_target::app, "[main] another instance is already running — exiting");
  return static_cast<int>(ExitCode::already_running);
}

// The run modes below arrive with their own subsystems; until then a run that asks for one
// says so plainly and fails rather than pretending to have done the work.
int run_report_log_mode() {
  log_info(log_target::app, "[report-log] FAILED: report-log mode is not available in this build");
  return static_cast<int>(ExitCode::failed);
}

int run_silent_flow() {
  log_info(log_target::app, "[silent] FAILED: silent install is not available in this build");
  return static_cast<int>(ExitCode::failed);
}

int run_windowed_mode() {
  log_info(log_target::app, "[FAIL] UI: the window is not available in this build");
  return static_cast<int>(ExitCode::failed);
}

int dispatch() {
  log_info(log_target::logfile, "=== new run: version={} pid={} ===", build_info::stub_version,
           platform::current_process_id());
  register_crash_dumps();

  if (report_log_requested(platform::env_var("APP_INSTALLER_REPORT_LOG"))) {
    return run_report_log_mode();
  }

  const std::vector<std::string> args = process_arguments();
  const bool silent = has_silent_switch(args);
  log_info(log_target::app, "[main] launched silent={} args={}", silent, format_arg_list(args));

  const std::string mutex_name =
      std::string("Global\\") + build_info::folder_name + "-" + build_info::stub_version;
  const auto guard = platform::SingleInstance::acquire(mutex_name);
  if (guard.state() == platform::SingleInstance::State::already_running) {
    return run_already_running();
  }
  return silent ? run_silent_flow() : run_windowed_mode();
}

}  // namespace

int stub_main() {
  start_logging();
  const int code = dispatch();
  // An orderly exit lets the writer finish the lines of this run.
  logfile::shutdown_logging();
  return code;
}

}  // namespace corvald
