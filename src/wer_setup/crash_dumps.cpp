#include "wer_setup/crash_dumps.hpp"

#include <system_error>

#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/file_system.hpp"

namespace corvald {

std::string local_dumps_key(const std::string& exe_name) {
  return "Software\\Microsoft\\Windows\\Windows Error Reporting\\LocalDumps\\" + exe_name;
}

void register_crash_dumps(platform::Registry& registry, const std::optional<std::string>& exe_name,
                          const std::optional<Path>& local_app_data) {
  if (!exe_name || exe_name->empty()) {
    log_warn("[WER] skip: cannot resolve current_exe basename");
    return;
  }
  // An empty value would register "\CrashDumps" on whatever drive is current while the
  // folder went into the working folder; it counts as not set.
  if (!local_app_data || local_app_data->empty()) {
    log_warn("[WER] skip: LOCALAPPDATA env var not set");
    return;
  }
  // The registry value is the variable's text with "\CrashDumps" appended, as WER reads it.
  const std::string folder = text::path_to_utf8(*local_app_data) + "\\CrashDumps";
  if (auto made = platform::create_folders(*local_app_data / "CrashDumps"); !made) {
    log_warn("[WER] pre-create dump folder failed (will rely on WER) folder={} err={}", folder,
             made.error().io_error().text);
    log_where("[WER] ", made.error(), logfile::Level::warn);
  }

  const std::string subkey = local_dumps_key(*exe_name);
  platform::OpenedKey opened = registry.create_key(platform::RegistryRoot::current_user, subkey);
  if (opened.rc != 0) {
    log_warn("[WER] RegCreateKeyExW failed subkey={} rc={}", subkey, opened.rc);
    return;
  }
  platform::RegistryKey& key = *opened.key;

  const auto type = key.query_dword("DumpType");
  const auto count = key.query_dword("DumpCount");
  const auto current_folder = key.query_string("DumpFolder");
  if (type == dump_type_full && count == dump_count_kept && current_folder == folder) {
    log_debug("[WER] already registered exe={} folder={} type={} count={}", *exe_name, folder,
              *type, *count);
    return;
  }

  if (auto rc = key.set_dword("DumpType", dump_type_full); rc != 0) {
    log_warn("[WER] set DumpType failed rc={}", rc);
    return;
  }
  if (auto rc = key.set_dword("DumpCount", dump_count_kept); rc != 0) {
    log_warn("[WER] set DumpCount failed rc={}", rc);
    return;
  }
  if (auto rc = key.set_string("DumpFolder", folder); rc != 0) {
    log_warn("[WER] set DumpFolder failed rc={}", rc);
    return;
  }
  log_info("[WER] registered exe={} folder={} type={} count={}", *exe_name, folder, dump_type_full,
           dump_count_kept);
}

}  // namespace corvald
