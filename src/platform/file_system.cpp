#include "platform/file_system.hpp"

namespace corvald::platform {

Result<void> create_folders(const Path& path) {
  if (path.empty() || is_file(path)) return create_folder(path);
  if (exists(path)) return Ok{};
  const Path parent = path.parent_path();
  if (!parent.empty() && parent != path) {
    if (auto made = create_folders(parent); !made) return made;
  }
  return create_folder(path);
}

}  // namespace corvald::platform
