#include <functional>

#include "cache/cache.hpp"
#include "cache/scanner_waits.hpp"
#include "logfile/log.hpp"
#include "platform/file_error.hpp"
#include "verify/file_digest.hpp"

namespace corvald::cache {
namespace {

constexpr std::string_view kVerifyDownload = "verify the downloaded installer";

// A scanner that opened the file without sharing shuts out even a reader for a moment; any
// other failure is final at once.
Result<platform::File> open_held_patiently(const Path& path, const Clock& clock) {
  std::optional<StubError> refused;
  for (const auto wait : kScannerWaits) {
    clock.sleep(wait);
    auto file = platform::File::open_for_read_held(path);
    if (file || !platform::is_sharing_violation(file.error())) return file;
    refused = std::move(file).error();
  }
  return std::move(refused).value();
}

}  // namespace

Result<void> check_against_feed(platform::File& file, const feed::Feed& feed,
                                const DigestFn& digest) {
  auto actual = file.size();
  if (!actual) return std::move(actual).error();
  if (*actual != feed.size) return StubError::verify(feed.sha512, "", feed.size, *actual);
  auto sha = digest ? digest(file) : verify::sha512_base64_of(file);
  if (!sha) return std::move(sha).error();
  if (*sha != feed.sha512) return StubError::verify(feed.sha512, *sha, feed.size, feed.size);
  return Ok{};
}

Result<void> verify_download(const Path& temp, const feed::Feed& feed, std::string_view tag,
                             const std::string& sha512) {
  // Held, this fails while anyone still has the file open to write it.
  auto file = platform::File::open_for_read_held(temp);
  if (!file) return std::move(file).error().with_context(std::string(kVerifyDownload));
  const auto taken = [&sha512](platform::File&) -> Result<std::string> { return sha512; };
  if (auto checked = check_against_feed(*file, feed, taken); !checked) {
    if (checked.error().kind() == StubError::Kind::verify) return checked.error();
    return checked.error().with_context(std::string(kVerifyDownload));
  }
  log_info("[{}] verify OK on {}", tag, temp);
  return Ok{};
}

Result<HeldInstaller> hold_verified(const Path& installer, const feed::Feed& feed,
                                    const Clock& clock, const DigestFn& digest,
                                    std::string_view step) {
  auto file = open_held_patiently(installer, clock);
  if (!file) return std::move(file).error().with_context(std::string(step));
  if (auto checked = check_against_feed(*file, feed, digest); !checked) {
    if (checked.error().kind() == StubError::Kind::verify) return checked.error();
    return checked.error().with_context(std::string(step));
  }
  log_info("  installer held and verified: {}", installer);
  return HeldInstaller(installer, std::move(file).value());
}

}  // namespace corvald::cache
