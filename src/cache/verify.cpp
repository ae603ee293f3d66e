#include "cache/cache.hpp"
#include "logfile/log.hpp"
#include "verify/file_digest.hpp"

namespace corvald::cache {
namespace {

// The size first: a file of the wrong length is rejected without reading it.
Result<void> check_against_feed(platform::File& file, const feed::Feed& feed) {
  auto actual = file.size();
  if (!actual) return std::move(actual).error();
  if (*actual != feed.size) return StubError::verify(feed.sha512, "", feed.size, *actual);
  auto sha = verify::sha512_base64_of(file);
  if (!sha) return std::move(sha).error();
  if (*sha != feed.sha512) return StubError::verify(feed.sha512, *sha, feed.size, feed.size);
  return Ok{};
}

}  // namespace

Result<void> verify_download(const Path& temp, const feed::Feed& feed,
                             std::string_view tag) {
  auto file = platform::File::open_for_read(temp);
  if (!file) return std::move(file).error();
  if (auto checked = check_against_feed(*file, feed); !checked) return checked.error();
  log_info(log_target::app, "[{}] verify OK on {}", tag, temp);
  return Ok{};
}

Result<HeldInstaller> hold_verified(const Path& installer,
                                    const feed::Feed& feed) {
  auto file = platform::File::open_for_read_held(installer);
  if (!file) return std::move(file).error();
  if (auto checked = check_against_feed(*file, feed); !checked) return checked.error();
  log_info(log_target::app, "  installer held and verified: {}", installer);
  return HeldInstaller(installer, std::move(file).value());
}

}  // namespace corvald::cache
