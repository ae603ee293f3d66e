#include "platform/process.hpp"

#include <unistd.h>

#include <system_error>

namespace corvald::platform {

std::uint32_t current_process_id() { return static_cast<std::uint32_t>(getpid()); }

std::optional<Path> current_exe_path() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return path;
}

}  // namespace corvald::platform
