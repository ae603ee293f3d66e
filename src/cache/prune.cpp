#include <system_error>
#include <vector>

#include "cache/cache.hpp"
#include "cache/cache_names.hpp"
#include "platform/file_error.hpp"
#include "platform/file_system.hpp"
#include "platform/file_tree.hpp"

namespace corvald::cache {

Result<void> prune_older_in(const Path& root, std::string_view keep_version) {
  if (!platform::exists(root)) return Ok{};
  // An entry that cannot be read ends the listing there rather than failing the prune.
  auto entries = platform::list_folder(root);
  if (!entries) return std::move(entries).error();

  for (const auto& entry : *entries) {
    if (file_name_utf8_lossy(entry) == keep_version) continue;
    // A link or junction is removed as a link: it may point at anything on the machine.
    switch (platform::entry_kind(entry)) {
      case platform::EntryKind::directory: platform::remove_tree(entry); break;
      case platform::EntryKind::directory_link: platform::remove_entry(entry); break;
      default: break;
    }
  }
  return Ok{};
}

}  // namespace corvald::cache
