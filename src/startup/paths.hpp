// The stub's folders, all rooted at LOCALAPPDATA.
#pragma once

#include "text/path.hpp"
#include <optional>

namespace corvald {

// %LOCALAPPDATA%\corvald-installer\logs, or .\corvald-installer\logs without LOCALAPPDATA.
Path logs_dir();
Path logs_dir_under(const std::optional<Path>& local_app_data);

// %LOCALAPPDATA%\corvald-installer
Path stub_dir_under(const Path& local_app_data);

}  // namespace corvald
