#include <string>
#include <system_error>
#include <vector>

#include "cache/cache.hpp"
#include "cache/cache_names.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/file.hpp"
#include "platform/file_error.hpp"
#include "platform/file_system.hpp"
#include "platform/file_tree.hpp"

namespace corvald::cache {
namespace {

constexpr int kTempCandidates = 8;

// Deleting first rather than only truncating: a file another process holds open refuses the
// delete on Windows, which is exactly the case where writing into it would go wrong.
Result<void> claim_temp(const Path& candidate) {
  if (auto deleted = platform::delete_file(candidate); !deleted) return deleted.error();
  auto file = platform::File::create_truncate(candidate);
  if (!file) return std::move(file).error();
  file->close();
  return Ok{};
}

}  // namespace

Path temp_path_for(const Path& final_path) {
  auto temp = final_path;
  temp += ".download";
  return temp;
}

Result<Path> select_temp_path(const Path& final_path) {
  const auto first = temp_path_for(final_path);
  std::optional<StubError> last_failure;
  for (int k = 0; k < kTempCandidates; ++k) {
    auto candidate = first;
    if (k > 0) candidate += "." + std::to_string(k);
    const auto claimed = claim_temp(candidate);
    if (!claimed) {
      log_info("  temp path {} unusable: {}", candidate, claimed.error().display());
      last_failure = claimed.error();
      continue;
    }
    if (k > 0) {
      log_info("  temp path {} unusable, downloading to {} instead", first, candidate);
    }
    return candidate;
  }
  return StubError::gave_up(text::format("no usable temp path near {}", first),
                            std::move(last_failure).value());
}

void cleanup_stale_temps(const Path& final_path) {
  const auto temp = temp_path_for(final_path);
  const auto prefix = file_name_utf8(temp);
  if (!prefix) return;
  std::vector<Path> doomed;
  auto entries = platform::list_folder(temp.parent_path());
  if (!entries) return;
  for (const auto& entry : *entries) {
    const auto name = file_name_utf8(entry);
    if (name && name->starts_with(*prefix)) doomed.push_back(entry);
  }
  // Each file may be a whole installer's worth of disk: say what went and what stays. A
  // folder in the way is nothing the stub left, and stays without a word.
  for (const auto& path : doomed) {
    const bool file = platform::entry_kind(path) == platform::EntryKind::file;
    if (auto deleted = platform::delete_file(path); deleted) {
      log_info("  cache removed leftover temporary file {}", path);
    } else if (file) {
      log_info("  cache leftover temporary file {} not removed: {}", path,
               deleted.error().display());
      log_where("  ", deleted.error());
    }
  }
}

}  // namespace corvald::cache
