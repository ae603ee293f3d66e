#include "worker/installer_step.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>

#include "cache/cache.hpp"
#include "i18n/i18n.hpp"
#include "installed_probe/installed_probe.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/file_system.hpp"
#include "startup/run_mode.hpp"
#include "text/format.hpp"

namespace corvald {
namespace {

std::uint64_t version_part(std::string_view part) {
  if (!part.empty() && part.front() == '+') part.remove_prefix(1);
  // from_chars alone would accept a digit prefix ("3-beta") and a lone minus sign.
  if (part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
  return ec == std::errc() && end == part.data() + part.size() ? value : 0;
}

std::vector<std::uint64_t> version_parts(std::string_view text) {
  std::vector<std::uint64_t> parts;
  for (;;) {
    const auto dot = text.find('.');
    parts.push_back(version_part(text.substr(0, dot)));
    if (dot == std::string_view::npos) return parts;
    text.remove_prefix(dot + 1);
  }
}

bool is_file(const std::optional<Path>& path) { return path && platform::is_file(*path); }

// True when the installed copy is current and has been launched instead.
bool launched_current_install(platform::Registry& registry, const std::string& target,
                              UiStatus& status, const telemetry::TelemetryHandle* telemetry) {
  const auto installed = probe_installed(registry);
  if (!installed || compare_versions(installed->version, target) == VersionOrder::less) {
    return false;
  }
  auto event = [&](const char* name) {
    return telemetry::TelemetryEvent(name)
        .add_text("target_version", target)
        .add_text("installed_version", installed->version);
  };
  if (!is_file(installed->exe)) {
    log_info("  registry says installed={} (>= target={}) but its exe is missing — reinstalling",
             installed->version, target);
    telemetry::telemetry_send(telemetry, event("install_forced_exe_missing"));
    return false;
  }
  log_info("  already up-to-date (installed={} target={}) — skipping install", installed->version,
           target);
  telemetry::telemetry_send(telemetry, event("install_skipped_up_to_date"));
  launch_app(installed->exe, status, telemetry, i18n::tr("ui.status.up_to_date"));
  return true;
}

}  // namespace

VersionOrder compare_versions(std::string_view a, std::string_view b) {
  const auto left = version_parts(a);
  const auto right = version_parts(b);
  for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
    const std::uint64_t l = i < left.size() ? left[i] : 0;
    const std::uint64_t r = i < right.size() ? right[i] : 0;
    if (l != r) return l < r ? VersionOrder::less : VersionOrder::greater;
  }
  return VersionOrder::equal;
}

std::vector<std::string> installer_args() { return {"/S"}; }

Result<platform::ChildProcess> spawn_installer(const Path& installer,
                                               const std::vector<std::string>& args) {
  if (!platform::exists(installer)) return StubError::not_found("installer", installer);
  auto child = platform::start_process(installer, args, std::nullopt, true);
  if (!child) {
    return StubError::wrapping("spawn installer", std::move(child).error());
  }
  return std::move(child).value();
}

Result<std::uint32_t> run_held_installer(const cache::HeldInstaller& installer,
                                         const std::vector<std::string>& args,
                                         const BeforeStartFn& before_start) {
  if (before_start) before_start(installer.path());
  auto child = spawn_installer(installer.path(), args);
  if (!child) return std::move(child).error();
  return child->wait();
}

Result<InstallerRun> run_reported_installer(const cache::HeldInstaller& installer,
                                            const feed::Feed& feed, const Clock& clock,
                                            const telemetry::TelemetryHandle* telemetry) {
  // From the start of the installer, not of its verification.
  auto started = clock.now();
  auto exit_code =
      run_held_installer(installer, installer_args(), [&](const Path&) { started = clock.now(); });
  if (!exit_code) return std::move(exit_code).error();
  const auto elapsed = clock.now() - started;
  const InstallerRun ran{
      *exit_code, static_cast<std::uint64_t>(
                      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count())};
  telemetry::telemetry_send(
      telemetry,
      telemetry::TelemetryEvent(ran.exit_code == 0 ? "install_completed" : "install_failed")
          .add_text("target_version", feed.version)
          .add_i64("exit_code", static_cast<std::int32_t>(ran.exit_code))
          .add_u64("duration_ms", ran.duration_ms));
  return ran;
}

std::string installer_exit_message(std::uint32_t exit_code) {
  return text::format("installer exited with code {}", static_cast<std::int32_t>(exit_code));
}

std::string format_seconds(std::uint64_t duration_ms) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.1f", static_cast<double>(duration_ms) / 1000.0);
  return buffer;
}

Result<void> run_installer_step(const InstallerStepContext& context, cache::HeldInstaller installer,
                                const feed::Feed& feed) {
  UiStatus& status = context.status;
  const telemetry::TelemetryHandle* telemetry = context.telemetry;
  const std::string& target_version = feed.version;
  if (context.cancel.is_set()) return StubError::cancelled();
  if (context.skip_install) {
    log_info("  skipping install (APP_INSTALLER_SKIP_INSTALL=1)");
    set_status(status, Phase::done, 100, i18n::tr("ui.status.install_skipped"));
    return Ok{};
  }
  if (launched_current_install(context.registry, target_version, status, telemetry)) return Ok{};

  set_status(status, Phase::installing, 96, i18n::tr("ui.status.installing"));
  log_info("  spawning installer (args={}, stub_silent={}, elevated={})",
           format_arg_list(installer_args()), false, false);
  auto ran = run_reported_installer(installer, feed, context.clock, telemetry);
  if (!ran) return std::move(ran).error();
  if (ran->exit_code != 0) return StubError::internal(installer_exit_message(ran->exit_code));
  log_info("  install OK in {}s", format_seconds(ran->duration_ms));

  if (auto pruned = cache::prune_older_in(context.cache_root, target_version); !pruned) {
    log_info("  prune_older warn: {}", pruned.error().display());
    log_where("  ", pruned.error());
  }
  const auto installed = probe_installed(context.registry);
  launch_app(installed ? installed->exe : std::nullopt, status, telemetry,
             i18n::tr("ui.status.install_complete"));
  return Ok{};
}

}  // namespace corvald
