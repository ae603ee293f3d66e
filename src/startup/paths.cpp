#include "startup/paths.hpp"

#include "build_info.hpp"
#include "platform/env.hpp"
#include "platform/file_tree.hpp"

namespace corvald {

Path stub_dir_under(const Path& local_app_data) {
  return local_app_data / build_info::folder_name;
}

Path stub_base_under(const std::optional<Path>& local_app_data) {
  return local_app_data.value_or(Path("."));
}

Path logs_dir_under(const std::optional<Path>& local_app_data) {
  return stub_dir_under(stub_base_under(local_app_data)) / "logs";
}

Path logs_dir() { return logs_dir_under(platform::env_path("LOCALAPPDATA")); }

Result<Path> create_logs_dir() {
  const auto local_app_data = platform::env_path("LOCALAPPDATA");
  const Path dir = logs_dir_under(local_app_data);
  if (auto made = platform::create_own_folders(stub_base_under(local_app_data), dir); !made) {
    return made.error();
  }
  return dir;
}

}  // namespace corvald
