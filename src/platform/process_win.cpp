#include "platform/process.hpp"

#include "platform/windows.hpp"

#include <string>

namespace corvald::platform {

std::uint32_t current_process_id() { return GetCurrentProcessId(); }

std::optional<Path> current_exe_path() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::nullopt;
    if (n < buffer.size()) {
      buffer.resize(n);
      return Path(buffer);
    }
    if (buffer.size() >= 32768) return std::nullopt;  // longer than any Windows path
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace corvald::platform
