// The installer cache: one folder per feed version under %LOCALAPPDATA%\tavrin\Cache, the
// lookup that yields a verified installer or the path a download must fill, temporary names,
// verification, promotion and pruning.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.hpp"
#include "base/result.hpp"
#include "feed/feed.hpp"
#include "platform/file.hpp"
#include "text/path.hpp"

namespace corvald::cache {

struct CacheLookup {
  enum class Kind { hit, miss };
  Kind kind;
  Path path;
};

// Computes a file's digest in the feed's form; tests replace it to see whether it ran.
using DigestFn = std::function<Result<std::string>(const Path&)>;

// Makes the product folder above `root` as the stub's own, then looks up in `root`.
Result<CacheLookup> cache_lookup(const Path& root, const feed::Feed& feed);
// An empty `digest` means sha512_base64_of_file.
Result<CacheLookup> cache_lookup_in(const Path& root, const feed::Feed& feed,
                                    const DigestFn& digest = {});

Path temp_path_for(const Path& final_path);
Result<Path> select_temp_path(const Path& final_path);
// Deletes the leftover temporary files of `final_path` (every name starting with its
// temporary name), logging each one removed or kept. Run after a hit, after a promotion, and
// at the end of a run that downloaded: a scanner that held the verified temporary file while
// it was copied into place has let go by then.
void cleanup_stale_temps(const Path& final_path);

// Checks the size of `temp` through a handle held as HeldInstaller's is, then compares
// `sha512`, the digest the download took of the file's bytes while writing them.
Result<void> verify_download(const Path& temp, const feed::Feed& feed, std::string_view tag,
                             const std::string& sha512);

// An installer held open from its verification until the process started from it has exited,
// so that the bytes that run are the bytes that were checked: others may read it meanwhile,
// but nothing can write, rename or delete it.
class HeldInstaller {
 public:
  const Path& path() const { return path_; }

 private:
  friend Result<HeldInstaller> hold_verified(const Path&, const feed::Feed&);
  HeldInstaller(Path path, platform::File file) : path_(std::move(path)), file_(std::move(file)) {}

  Path path_;
  platform::File file_;
};

// Opens the installer held and checks its size and SHA-512 against the feed through that
// same handle; a verify error when they differ.
Result<HeldInstaller> hold_verified(const Path& installer, const feed::Feed& feed);

// Waits between rename tries on `clock`; tests pass one that does not really sleep.
Result<Path> promote_download(const Path& temp, const Path& final_path, std::string_view tag,
                              const Clock& clock = Clock::real());

Result<void> prune_older_in(const Path& root, std::string_view keep_version);

}  // namespace corvald::cache
