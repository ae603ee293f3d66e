#include <system_error>

#include "cache/cache.hpp"
#include "cache/scanner_waits.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/file.hpp"
#include "platform/file_error.hpp"

namespace corvald::cache {
namespace {

// A running copy of the old installer does not let go as a scanner does, hence the alternates.
constexpr int kAlternates = 7;

// Setup.exe gives Setup-1.exe; path::stem and path::extension split at the last dot and
// leave ".." and names like ".config" without an extension.
Path alternate_name(const Path& final_path, int k) {
  auto name = final_path.stem();
  name += "-" + std::to_string(k);
  name += final_path.extension();
  return final_path.parent_path() / name;
}

std::optional<Path> place_at_alternate(const Path& temp, const Path& final_path,
                                       std::string_view tag) {
  for (int k = 1; k <= kAlternates; ++k) {
    const auto alternate = alternate_name(final_path, k);
    (void)platform::delete_file(alternate);
    if (platform::move_file_replace(temp, alternate)) {
      log_info("[{}] using alternate final path {}", tag, alternate);
      return alternate;
    }
    if (platform::copy_file_overwrite(temp, alternate)) {
      (void)platform::delete_file(temp);
      log_info("[{}] using alternate final path {} (copied)", tag, alternate);
      return alternate;
    }
  }
  return std::nullopt;
}

}  // namespace

Result<Path> promote_download(const Path& temp, const Path& final_path, std::string_view tag,
                              const Clock& clock) {
  std::optional<Path> placed;
  std::optional<StubError> refused;
  for (const auto wait : kScannerWaits) {
    clock.sleep(wait);
    if (platform::move_file_replace(temp, final_path)) {
      placed = final_path;
      break;
    }
  }
  if (!placed) {
    const auto copied = platform::copy_file_overwrite(temp, final_path);
    if (copied) {
      (void)platform::delete_file(temp);
      placed = final_path;
    } else {
      log_info("[{}] cannot put the verified file at {}: {}; trying an alternate name", tag,
               final_path, copied.error().display());
      log_where(text::format("[{}] ", tag), copied.error());
      refused = copied.error();
      placed = place_at_alternate(temp, final_path, tag);
    }
  }
  if (!placed) {
    return StubError::gave_up(
               text::format("downloaded and verified, but no writable final path near {}",
                            final_path),
               std::move(refused).value())
        .with_context("promote the download");
  }
  log_info("[{}] promoted to final path {}", tag, *placed);
  cleanup_stale_temps(final_path);
  return *placed;
}

}  // namespace corvald::cache
