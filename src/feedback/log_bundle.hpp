// The log bundle: the selected log files and crash dumps packed into one in-memory zip
// archive of stored entries, under size caps that keep the feedback upload small.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald::feedback {

inline constexpr std::uint64_t kMaxBundleFileSize = 10485760;   // a file of exactly this is taken
inline constexpr std::uint64_t kMaxBundleTotalSize = 15728640;  // reaching it exactly is allowed

struct LogBundle {
  std::string archive;            // the zip bytes
  std::uint32_t entry_count = 0;  // replacement ".missing.txt" entries included
  std::uint32_t skipped_oversized = 0;
  std::uint32_t skipped_cap = 0;
};

// Where the bundle's single timestamp comes from; tests pass a fixed time.
using BundleClock = std::function<std::chrono::system_clock::time_point()>;

// Packs `files` in the given order. Unmeasurable files are skipped as oversized, unreadable
// ones become "<path>.missing.txt" entries; only a layout overflow fails (internal kind,
// "zip: ..."). Writes Info lines.
Result<LogBundle> build_log_bundle(const std::vector<Path>& files,
                                   const BundleClock& now = std::chrono::system_clock::now);

namespace detail {
// Reads at most `limit` bytes of a file; the seam lets tests delete a file between its
// measuring and its reading.
using BundleReader = std::function<Result<std::string>(const Path& path, std::uint64_t limit)>;
Result<std::string> read_bundle_file(const Path& path, std::uint64_t limit);
Result<LogBundle> build_log_bundle_with(const std::vector<Path>& files, const BundleClock& now,
                                        const BundleReader& read);
}  // namespace detail

}  // namespace corvald::feedback
