#include "platform/file_time.hpp"

#include "platform/windows.hpp"

namespace corvald::platform {

std::optional<std::int64_t> last_write_ticks(const Path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  // 100-nanosecond intervals since 1601.
  return static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                   data.ftLastWriteTime.dwLowDateTime);
}

}  // namespace corvald::platform
