// The one-line summary of the machine that feedback reports and the report-log upload carry:
// <meta source=installer&product=tavrin&…&mem_avail_mb=5120>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_info.hpp"
#include "text/path.hpp"

namespace corvald::telemetry {

// What the line reports about this machine; each fact may be missing.
struct EnvironmentFacts {
  std::optional<std::uint16_t> native_machine;
  std::optional<platform::OsVersion> os_version;
  std::optional<std::uint64_t> disk_free_bytes;  // on the LOCALAPPDATA volume
  std::optional<platform::MemoryStatus> memory;
};

// Asks the platform; the disk is left out when LOCALAPPDATA is not set.
EnvironmentFacts gather_environment_facts(const std::optional<Path>& local_app_data);

// Always all twelve keys in their fixed order; a missing fact shows as "unknown" or empty.
std::string format_environment_meta(const EnvironmentFacts& facts);

std::string environment_meta_line(const std::optional<Path>& local_app_data);

// "arm64", "arm", "x64", "x86" or "unknown".
std::string_view native_arch_name(std::optional<std::uint16_t> machine);

// Every byte other than A–Z, a–z, 0–9, "-", ".", "_" and "~" as "%XX" (upper-case hex).
std::string percent_encode(std::string_view text);

}  // namespace corvald::telemetry
