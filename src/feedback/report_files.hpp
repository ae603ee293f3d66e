// Which local files a diagnostic report carries: the stub's logs and the crash dumps.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "text/path.hpp"

namespace corvald {

// Plain files (never symbolic links) named app.log*, in byte order of their names, so the
// current log comes before its rotated copies. An unreadable folder gives an empty list.
std::vector<Path> collect_log_files(const Path& folder);

// Plain files *.dmp (any case) in %LOCALAPPDATA%\CrashDumps, newest first; empty when the
// variable is unset or the folder cannot be read.
std::vector<Path> collect_crash_dumps_under(const std::optional<Path>& local_app_data);

// What a report or a feedback upload sends: the logs of `logs_dir`, then the crash dumps.
struct ReportFiles {
  std::vector<Path> files;
  std::size_t log_count = 0;  // the first log_count files are logs
};
ReportFiles collect_report_files(const Path& logs_dir, const std::optional<Path>& local_app_data);

}  // namespace corvald
