#include "platform/system_info.hpp"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <string_view>

namespace corvald::platform {

// Only native tests run this side; the values are real where POSIX offers them so the
// summary line built from them looks like the product's.

std::optional<std::uint16_t> native_machine() {
  utsname name{};
  if (uname(&name) != 0) return std::nullopt;
  const std::string_view machine = name.machine;
  if (machine == "x86_64") return kMachineAmd64;
  if (machine == "aarch64") return kMachineArm64;
  return std::nullopt;
}

std::optional<OsVersion> os_version() { return std::nullopt; }

std::optional<std::uint64_t> disk_free_bytes(const Path& folder) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::optional<MemoryStatus> memory_status() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long available = sysconf(_SC_AVPHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages < 0 || available < 0 || page_size < 0) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(page_size);
  return MemoryStatus{static_cast<std::uint64_t>(pages) * size,
                      static_cast<std::uint64_t>(available) * size};
}

}  // namespace corvald::platform
