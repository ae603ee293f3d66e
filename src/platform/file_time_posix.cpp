#include "platform/file_time.hpp"

#include <sys/stat.h>

namespace corvald::platform {

std::optional<std::int64_t> last_write_ticks(const Path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
}

}  // namespace corvald::platform
