// Facts about the machine for diagnostic summaries. Every one of them may be unavailable;
// callers show that rather than fail.
#pragma once

#include <cstdint>
#include <optional>

#include "text/path.hpp"

namespace corvald::platform {

// IMAGE_FILE_MACHINE_* values, so portable code can name what native_machine() returns.
inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineArmNt = 0x01C4;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kMachineArm64 = 0xAA64;

// The machine type of the hardware, which an x64 process emulated on ARM64 cannot see
// otherwise; nothing when the system cannot say (IsWow64Process2 missing or failing).
std::optional<std::uint16_t> native_machine();

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
};

// The real version (RtlGetVersion), not the one a missing manifest entry makes
// GetVersionEx pretend; nothing when it cannot be read.
std::optional<OsVersion> os_version();

// Bytes the calling user may still write on the volume holding `folder`.
std::optional<std::uint64_t> disk_free_bytes(const Path& folder);

struct MemoryStatus {
  std::uint64_t total_physical = 0;
  std::uint64_t available_physical = 0;
};

std::optional<MemoryStatus> memory_status();

}  // namespace corvald::platform
