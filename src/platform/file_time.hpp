// When a file was last written, at the file system's full resolution: std::filesystem under
// mingw reads whole seconds only. The values only compare files with each other.
#pragma once

#include <cstdint>
#include <optional>

#include "text/path.hpp"

namespace corvald::platform {

// Nothing when the file cannot be read.
std::optional<std::int64_t> last_write_ticks(const Path& path);

}  // namespace corvald::platform
