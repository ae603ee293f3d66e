// Registration with Windows Error Reporting, so that a crash of the stub leaves a full dump
// in %LOCALAPPDATA%\CrashDumps for the report and feedback uploads to pick up.
#pragma once

#include <optional>
#include <string>

#include "platform/registry.hpp"
#include "text/path.hpp"

namespace corvald {

inline constexpr std::uint32_t dump_type_full = 2;
inline constexpr std::uint32_t dump_count_kept = 5;

std::string local_dumps_key(const std::string& exe_name);

// Makes sure the LocalDumps key of this executable name holds the three values. Never fails
// the caller: every problem is a log line and an early return.
void register_crash_dumps(platform::Registry& registry, const std::optional<std::string>& exe_name,
                          const std::optional<Path>& local_app_data);

// The same for the running process: its executable name and the real registry.
void register_crash_dumps(const std::optional<Path>& local_app_data);

}  // namespace corvald
