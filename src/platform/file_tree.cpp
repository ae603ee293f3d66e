#include "platform/file_tree.hpp"

#include <system_error>
#include <vector>

namespace corvald::platform {

void remove_tree(const std::filesystem::path& path) {
  if (entry_kind(path) != EntryKind::directory) {
    remove_entry(path);
    return;
  }
  // Listed first and removed afterwards, so the listing never sees its own deletions.
  std::vector<std::filesystem::path> children;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
    children.push_back(it->path());
  }
  for (const auto& child : children) {
    if (entry_kind(child) == EntryKind::directory) {
      remove_tree(child);
    } else {
      remove_entry(child);
    }
  }
  remove_entry(path);
}

}  // namespace corvald::platform
