#include <functional>

#include "cache/cache.hpp"
#include "logfile/log.hpp"
#include "verify/file_digest.hpp"

namespace corvald::cache {
namespace {

using DigestOf = std::function<Result<std::string>(platform::File&)>;

constexpr std::string_view kVerifyDownload = "verify the downloaded installer";
constexpr std::string_view kHoldInstaller = "hold and verify the installer";

// The size first: a file of the wrong length is rejected without its digest. A file that
// cannot be measured or read fails as `step`; a mismatch is the verdict itself.
Result<void> check_against_feed(platform::File& file, const feed::Feed& feed,
                                const DigestOf& digest_of, std::string_view step) {
  auto actual = file.size();
  if (!actual) return std::move(actual).error().with_context(std::string(step));
  if (*actual != feed.size) return StubError::verify(feed.sha512, "", feed.size, *actual);
  auto sha = digest_of(file);
  if (!sha) return std::move(sha).error().with_context(std::string(step));
  if (*sha != feed.sha512) return StubError::verify(feed.sha512, *sha, feed.size, feed.size);
  return Ok{};
}

}  // namespace

Result<void> verify_download(const Path& temp, const feed::Feed& feed, std::string_view tag,
                             const std::string& sha512) {
  // Held, this fails while anyone still has the file open to write it.
  auto file = platform::File::open_for_read_held(temp);
  if (!file) return std::move(file).error().with_context(std::string(kVerifyDownload));
  const auto taken = [&sha512](platform::File&) -> Result<std::string> { return sha512; };
  if (auto checked = check_against_feed(*file, feed, taken, kVerifyDownload); !checked) {
    return checked.error();
  }
  log_info("[{}] verify OK on {}", tag, temp);
  return Ok{};
}

Result<HeldInstaller> hold_verified(const Path& installer, const feed::Feed& feed) {
  auto file = platform::File::open_for_read_held(installer);
  if (!file) return std::move(file).error().with_context(std::string(kHoldInstaller));
  if (auto checked = check_against_feed(*file, feed, verify::sha512_base64_of, kHoldInstaller);
      !checked) {
    return checked.error();
  }
  log_info("  installer held and verified: {}", installer);
  return HeldInstaller(installer, std::move(file).value());
}

}  // namespace corvald::cache
