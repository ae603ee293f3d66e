#include <system_error>
#include <vector>

#include "cache/cache.hpp"
#include "cache/cache_names.hpp"
#include "platform/file_error.hpp"
#include "platform/file_tree.hpp"

namespace corvald::cache {

Result<void> prune_older(std::string_view keep_version) {
  auto root = cache_dir();
  if (!root) return std::move(root).error();
  return prune_older_in(*root, keep_version);
}

Result<void> prune_older_in(const std::filesystem::path& root, std::string_view keep_version) {
  std::error_code ec;
  if (!std::filesystem::exists(root, ec) && !ec) return Ok{};

  std::vector<std::filesystem::path> entries;
  std::filesystem::directory_iterator it(root, ec);
  if (ec) return platform::file_error_from(ec);
  for (const std::filesystem::directory_iterator end; it != end;) {
    entries.push_back(it->path());
    it.increment(ec);
    // An entry that cannot be read ends the listing here rather than failing the prune.
    if (ec) break;
  }

  for (const auto& entry : entries) {
    if (file_name_utf8_lossy(entry) == keep_version) continue;
    // A link or junction is removed as a link: it may point at anything on the machine.
    switch (platform::entry_kind(entry)) {
      case platform::EntryKind::directory:
        platform::remove_tree(entry);
        break;
      case platform::EntryKind::directory_link:
        platform::remove_entry(entry);
        break;
      default:
        break;
    }
  }
  return Ok{};
}

}  // namespace corvald::cache
