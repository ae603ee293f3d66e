#include "build_info.hpp"
#include "i18n/i18n.hpp"
#include "installed_probe/installed_probe.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/child_process.hpp"
#include "platform/file_system.hpp"
#include "text/format.hpp"

namespace corvald {
namespace {

Result<void> start_app(const std::optional<Path>& exe) {
  if (!exe) return StubError::internal("no executable found in the uninstall registry entry");
  if (!platform::exists(*exe)) return StubError::not_found("app", *exe);
  std::optional<Path> folder;
  if (exe->has_parent_path()) folder = exe->parent_path();
  auto child = platform::start_process(*exe, {}, folder, true);
  if (!child) return StubError::wrapping("spawn app", std::move(child).error());
  // The child handle is dropped here: the application lives on without the stub.
  return Ok{};
}

}  // namespace

void launch_app(const std::optional<Path>& exe, UiStatus& status,
                const telemetry::TelemetryHandle* telemetry, const std::string& fallback_text) {
  auto started = start_app(exe);
  if (started) {
    log_info("  launched {}", *exe);
    telemetry::telemetry_send(telemetry, telemetry::TelemetryEvent("app_launched"));
    finish_ok(status, i18n::tr_with("ui.status.launching", {{"app", build_info::product_name}}));
    return;
  }
  const std::string error = started.error().display();
  log_info("  launch skipped: {}", error);
  log_where("  ", started.error());
  telemetry::telemetry_send(
      telemetry, telemetry::TelemetryEvent("app_launch_failed").add_text("error", error));
  finish_ok(status, fallback_text);
}

}  // namespace corvald
