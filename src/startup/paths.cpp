#include "startup/paths.hpp"

#include "build_info.hpp"
#include "platform/file_tree.hpp"
#include "text/format.hpp"

namespace corvald {

Path stub_dir_under(const Path& local_app_data) { return local_app_data / build_info::folder_name; }

Path stub_base_under(const std::optional<Path>& local_app_data) {
  return local_app_data.value_or(Path("."));
}

Path logs_dir_under(const std::optional<Path>& local_app_data) {
  return stub_dir_under(stub_base_under(local_app_data)) / "logs";
}

Result<Path> create_logs_dir(const std::optional<Path>& local_app_data) {
  const Path dir = logs_dir_under(local_app_data);
  if (auto made = platform::create_own_folders(stub_base_under(local_app_data), dir); !made) {
    return made.error();
  }
  return dir;
}

Result<Path> cache_dir_under(const std::optional<Path>& local_app_data) {
  if (!local_app_data || local_app_data->empty()) {
    return StubError::internal("LOCALAPPDATA not set");
  }
  // A relative value would put the cache in whatever folder the stub was started from.
  if (!local_app_data->is_absolute()) {
    return StubError::internal(
        text::format("LOCALAPPDATA is not an absolute path: {}", *local_app_data));
  }
  return *local_app_data / "tavrin" / "Cache";
}

}  // namespace corvald
