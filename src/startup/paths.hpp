// The stub's folders, all rooted at LOCALAPPDATA.
#pragma once

#include <filesystem>
#include <optional>

namespace corvald {

// %LOCALAPPDATA%\corvald-installer\logs, or .\corvald-installer\logs without LOCALAPPDATA.
std::filesystem::path logs_dir();
std::filesystem::path logs_dir_under(const std::optional<std::filesystem::path>& local_app_data);

// %LOCALAPPDATA%\corvald-installer
std::filesystem::path stub_dir_under(const std::filesystem::path& local_app_data);

}  // namespace corvald
