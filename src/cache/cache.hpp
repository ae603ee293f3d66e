// The installer cache: one folder per feed version under %LOCALAPPDATA%\tavrin\Cache, the
// slot an installer takes there, the lookup that yields a held, verified installer or a miss,
// temporary names, the verdict on a file, promotion and pruning.
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

// Reads an open file's digest in the feed's form; tests replace it to count the runs.
using DigestFn = std::function<Result<std::string>(platform::File&)>;

// The one verdict on whether an open file is the feed's installer: its size first, so a file
// of the wrong length is rejected unread, then its SHA-512 (`digest`, or the file's bytes when
// empty). A mismatch is a verify error carrying both sides; a file that cannot be measured or
// read fails with that error.
Result<void> check_against_feed(platform::File& file, const feed::Feed& feed,
                                const DigestFn& digest = {});

// An installer held open from its verification until the process started from it has exited,
// so that the bytes that run are the bytes that were checked: others may read it meanwhile,
// but nothing can write, rename or delete it.
class HeldInstaller {
 public:
  const Path& path() const { return path_; }

 private:
  friend Result<HeldInstaller> hold_verified(const Path&, const feed::Feed&, const Clock&,
                                             const DigestFn&, std::string_view);
  HeldInstaller(Path path, platform::File file) : path_(std::move(path)), file_(std::move(file)) {}

  Path path_;
  platform::File file_;
};

// Opens the installer held and gives it the verdict through that same handle. A scanner that
// has the file open without sharing is waited for as a promotion waits for one (on `clock`);
// a failure names `step`.
Result<HeldInstaller> hold_verified(const Path& installer, const feed::Feed& feed,
                                    const Clock& clock = Clock::real(), const DigestFn& digest = {},
                                    std::string_view step = "hold and verify the installer");

// Makes the product folder above `root` as the stub's own, then prepares the slot in `root`.
Result<Path> prepare_cache_slot(const Path& root, const feed::Feed& feed);
// Refuses feed values that would name anything outside `root`, makes `root` and the version
// folder (refusing links in their place) and clears whatever is not a plain file from the
// installer's place. Returns the installer's path in the cache.
Result<Path> prepare_cache_slot_in(const Path& root, const feed::Feed& feed);

struct CacheLookup {
  enum class Kind { hit, miss };
  Kind kind;
  Path path;
  // A hit's installer, held since the verdict: it is hashed once, and what runs is what
  // was judged.
  std::optional<HeldInstaller> held;
};

// Judges the file in a prepared slot: the feed's installer is a hit, held; a file that is not
// is logged, deleted and a miss, as is an empty slot.
Result<CacheLookup> cache_lookup(const Path& installer, const feed::Feed& feed,
                                 const Clock& clock = Clock::real(), const DigestFn& digest = {});

Path temp_path_for(const Path& final_path);
Result<Path> select_temp_path(const Path& final_path);
// Deletes the leftover temporary files of `final_path` (every name starting with its
// temporary name), logging each one removed or kept. Run after a promotion.
void cleanup_stale_temps(const Path& final_path);
// The same at the end of a run, where a scanner that held the verified temporary file while it
// was copied into place may still have it: while a leftover refuses to go, tries again on
// `clock` for a few seconds, then logs what stays.
void sweep_stale_temps(const Path& final_path, const Clock& clock = Clock::real());

// Checks the size of `temp` through a handle held as HeldInstaller's is, then compares
// `sha512`, the digest the download took of the file's bytes while writing them.
Result<void> verify_download(const Path& temp, const feed::Feed& feed, std::string_view tag,
                             const std::string& sha512);

// Waits between rename tries on `clock`; tests pass one that does not really sleep.
Result<Path> promote_download(const Path& temp, const Path& final_path, std::string_view tag,
                              const Clock& clock = Clock::real());

Result<void> prune_older_in(const Path& root, std::string_view keep_version);

}  // namespace corvald::cache
