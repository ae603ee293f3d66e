// The stub's folders, all rooted at LOCALAPPDATA.
#pragma once

#include <optional>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald {

// The folder the stub's own folders stand in: LOCALAPPDATA, or "." without it.
Path stub_base_under(const std::optional<Path>& local_app_data);

// %LOCALAPPDATA%\corvald-installer\logs, or .\corvald-installer\logs without LOCALAPPDATA.
Path logs_dir_under(const std::optional<Path>& local_app_data);

// Makes the log folder, refusing a link, junction or file in the place of the stub's folders.
Result<Path> create_logs_dir(const std::optional<Path>& local_app_data);

// %LOCALAPPDATA%\corvald-installer
Path stub_dir_under(const Path& local_app_data);

// %LOCALAPPDATA%\tavrin\Cache; the folder is not made here. An error when LOCALAPPDATA is
// not set, empty or not absolute.
Result<Path> cache_dir_under(const std::optional<Path>& local_app_data);

}  // namespace corvald
