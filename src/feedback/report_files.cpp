#include "feedback/report_files.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/file_system.hpp"
#include "platform/file_time.hpp"
#include "platform/file_tree.hpp"
#include "text/path_text.hpp"
#include "text/utf.hpp"

namespace corvald {
namespace {

// The file name as UTF-8; nothing when it is not valid Unicode, as such a name cannot be
// one the stub wrote.
std::optional<std::string> utf8_name(const Path& path) {
  return text::path_to_utf8_strict(path.filename());
}

// Plain files only: a link planted in the folder must not pull an arbitrary file of the user
// into a report that leaves the machine. The entry's own kind is read, never what a link
// points to.
template <class Visit>
void for_each_plain_file(const Path& folder, Visit visit) {
  const auto entries = platform::list_folder(folder);
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (platform::entry_kind(entry) == platform::EntryKind::file) visit(entry);
  }
}

bool has_dmp_extension(const Path& path) {
  const auto name = utf8_name(path);
  if (!name || name->size() <= 4) return false;
  return text::ascii_lower(std::string_view(*name).substr(name->size() - 4)) == ".dmp";
}

}  // namespace

std::vector<Path> collect_log_files(const Path& folder) {
  std::vector<std::pair<std::string, Path>> found;
  for_each_plain_file(folder, [&](const Path& path) {
    auto name = utf8_name(path);
    if (name && name->starts_with("app.log")) found.emplace_back(std::move(*name), path);
  });
  // Byte order of the UTF-8 names, the same on every platform.
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Path> files;
  for (auto& entry : found) files.push_back(std::move(entry.second));
  return files;
}

std::vector<Path> collect_crash_dumps_under(const std::optional<Path>& local_app_data) {
  // Only an absolute folder: a relative one would collect whatever dumps lie in the folder
  // the stub was started from.
  if (!local_app_data || !local_app_data->is_absolute()) return {};
  struct Dump {
    std::int64_t written;
    Path path;
  };
  std::vector<Dump> found;
  for_each_plain_file(*local_app_data / "CrashDumps", [&](const Path& path) {
    if (!has_dmp_extension(path)) return;
    const auto written = platform::last_write_ticks(path);
    found.push_back({written.value_or(std::numeric_limits<std::int64_t>::min()), path});
  });
  std::stable_sort(found.begin(), found.end(),
                   [](const Dump& a, const Dump& b) { return a.written > b.written; });
  std::vector<Path> dumps;
  for (auto& dump : found) dumps.push_back(std::move(dump.path));
  return dumps;
}

ReportFiles collect_report_files(const Path& logs_dir, const std::optional<Path>& local_app_data) {
  ReportFiles report;
  report.files = collect_log_files(logs_dir);
  report.log_count = report.files.size();
  const std::vector<Path> dumps = collect_crash_dumps_under(local_app_data);
  report.files.insert(report.files.end(), dumps.begin(), dumps.end());
  return report;
}

}  // namespace corvald
