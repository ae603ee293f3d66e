#include "cache/cache.hpp"

#include <system_error>

#include "cache/cache_names.hpp"
#include "logfile/log.hpp"
#include "platform/file.hpp"
#include "platform/file_error.hpp"
#include "platform/file_system.hpp"
#include "platform/file_tree.hpp"

namespace corvald::cache {
namespace {

constexpr std::string_view kVerifyCached = "verify the cached installer";

// The feed comes from the network: its values name folders and files under the cache root,
// and a hostile or broken one must not reach anything outside it.
std::optional<StubError> check_component(std::string_view what, std::string_view value) {
  if (const auto reason = unsafe_component_reason(value)) {
    return StubError::internal(text::format("unsafe cache path component in {}: \"{}\" ({})", what,
                                            printable_ascii(value), *reason));
  }
  return std::nullopt;
}

// The verdict's mismatch as support has always read it: a size mismatch was never hashed.
void log_rejected(const Path& path, const feed::Feed& feed, const StubError& mismatch) {
  if (mismatch.actual_sha512().empty()) {
    log_info("  cache REJECTED {} version={} size expected={} actual={}", path, feed.version,
             feed.size, mismatch.actual_size());
    return;
  }
  log_info("  cache REJECTED {} version={} sha512 expected={} actual={}", path, feed.version,
           printable_ascii(feed.sha512), mismatch.actual_sha512());
}

}  // namespace

Result<Path> prepare_cache_slot(const Path& root, const feed::Feed& feed) {
  // LOCALAPPDATA itself is the user's to place, and may be made as usual; the product folder
  // under it is the one component above the root that belongs to the stub.
  const auto product = root.parent_path();
  if (auto made = platform::create_own_folders(product.parent_path(), product); !made) {
    return made.error().with_context("prepare the cache folder");
  }
  return prepare_cache_slot_in(root, feed);
}

Result<Path> prepare_cache_slot_in(const Path& root, const feed::Feed& feed) {
  const std::string file_name = installer_file_name(feed.url);
  if (auto bad = check_component("feed version", feed.version)) return *bad;
  if (auto bad = check_component("installer file name", file_name)) return *bad;

  const auto folder = root / path_from_utf8(feed.version);
  const auto path = folder / path_from_utf8(file_name);

  // Before anything is read or written there: a link planted in place of either folder would
  // send the download and the promotion wherever it points.
  for (const auto& dir : {root, folder}) {
    if (auto made = platform::create_folder_refusing_links(dir); !made) {
      return made.error().with_context("prepare the cache folder");
    }
  }

  // The entry's own kind, not what a link points to: a folder or link in
  // the installer's place must not fail every run until someone removes it by hand.
  const platform::EntryKind kind = platform::entry_kind(path);
  if (kind != platform::EntryKind::file && kind != platform::EntryKind::missing) {
    log_info("  cache REJECTED {} version={} not a plain file", path, feed.version);
    // A link goes as a link; a folder only when empty, else promotion takes another name.
    platform::remove_entry(path);
  }
  return path;
}

Result<CacheLookup> cache_lookup(const Path& installer, const feed::Feed& feed, const Clock& clock,
                                 const DigestFn& digest) {
  if (platform::entry_kind(installer) != platform::EntryKind::file) {
    return CacheLookup{CacheLookup::Kind::miss, installer, std::nullopt};
  }
  auto held = hold_verified(installer, feed, clock, digest, kVerifyCached);
  if (held) return CacheLookup{CacheLookup::Kind::hit, installer, std::move(held).value()};
  if (held.error().kind() != StubError::Kind::verify) return std::move(held).error();
  // Closed by now: the verdict's handle went with the failed hold.
  log_rejected(installer, feed, held.error());
  (void)platform::delete_file(installer);
  return CacheLookup{CacheLookup::Kind::miss, installer, std::nullopt};
}

}  // namespace corvald::cache
