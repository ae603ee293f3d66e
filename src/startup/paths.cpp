#include "startup/paths.hpp"

#include "build_info.hpp"
#include "platform/env.hpp"

namespace corvald {

Path stub_dir_under(const Path& local_app_data) {
  return local_app_data / build_info::folder_name;
}

Path logs_dir_under(const std::optional<Path>& local_app_data) {
  return stub_dir_under(local_app_data.value_or(Path("."))) / "logs";
}

Path logs_dir() { return logs_dir_under(platform::env_path("LOCALAPPDATA")); }

}  // namespace corvald
