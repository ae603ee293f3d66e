#include "startup/paths.hpp"

#include "build_info.hpp"
#include "platform/env.hpp"

namespace corvald {

std::filesystem::path stub_dir_under(const std::filesystem::path& local_app_data) {
  return local_app_data / build_info::folder_name;
}

std::filesystem::path logs_dir_under(const std::optional<std::filesystem::path>& local_app_data) {
  return stub_dir_under(local_app_data.value_or(std::filesystem::path("."))) / "logs";
}

std::filesystem::path logs_dir() { return logs_dir_under(platform::env_path("LOCALAPPDATA")); }

}  // namespace corvald
