#include <chrono>
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

namespace {

struct Kept {
  Path path;
  StubError why;
};

// Deletes every temporary file of `final_path` that will go, logging each removal; returns
// the files that refused. A folder in the way is nothing the stub left, and stays unnamed.
std::vector<Kept> delete_stale_temps(const Path& final_path) {
  std::vector<Kept> kept;
  const auto temp = temp_path_for(final_path);
  const auto prefix = file_name_utf8(temp);
  if (!prefix) return kept;
  std::vector<Path> doomed;
  auto entries = platform::list_folder(temp.parent_path());
  if (!entries) return kept;
  for (const auto& entry : *entries) {
    const auto name = file_name_utf8(entry);
    if (name && name->starts_with(*prefix)) doomed.push_back(entry);
  }
  for (const auto& path : doomed) {
    const bool file = platform::entry_kind(path) == platform::EntryKind::file;
    if (auto deleted = platform::delete_file(path); deleted) {
      log_info("  cache removed leftover temporary file {}", path);
    } else if (file) {
      kept.push_back({path, deleted.error()});
    }
  }
  return kept;
}

// Each file may be a whole installer's worth of disk: say what stays.
void log_kept(const std::vector<Kept>& kept) {
  for (const auto& k : kept) {
    log_info("  cache leftover temporary file {} not removed: {}", k.path, k.why.display());
    log_where("  ", k.why);
  }
}

// Most users run the stub once, so a leftover not removed now stays for good; a scanner
// that held it through the promotion's copy lets go within seconds.
constexpr auto kSweepRetry = std::chrono::milliseconds(500);
constexpr int kSweepRetries = 10;

}  // namespace

void cleanup_stale_temps(const Path& final_path) { log_kept(delete_stale_temps(final_path)); }

void sweep_stale_temps(const Path& final_path, const Clock& clock) {
  auto kept = delete_stale_temps(final_path);
  for (int n = 0; n < kSweepRetries && !kept.empty(); ++n) {
    clock.sleep(kSweepRetry);
    kept = delete_stale_temps(final_path);
  }
  log_kept(kept);
}

}  // namespace corvald::cache
