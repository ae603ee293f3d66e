#include "platform/file_tree.hpp"

#include <system_error>
#include <vector>

#include "platform/file_error.hpp"
#include "platform/file_system.hpp"
#include "text/format.hpp"

namespace corvald::platform {
namespace {

StubError refused(const Path& path, std::string_view reason) {
  const auto code = std::make_error_code(std::errc::too_many_symbolic_link_levels);
  return StubError::io(IoError{static_cast<std::uint32_t>(code.value()),
                               text::format("{} {}; refusing to write below it", path, reason)});
}

Result<void> check_plain_folder(const Path& path) {
  switch (entry_kind(path)) {
    case EntryKind::directory: return Ok{};
    case EntryKind::directory_link:
    case EntryKind::other_link: return refused(path, "is a link or junction");
    case EntryKind::file: return refused(path, "is a file, not a folder");
    case EntryKind::missing: break;
  }
  return refused(path, "could not be created");
}

}  // namespace

Result<void> create_folder_refusing_links(const Path& path) {
  if (entry_kind(path) == EntryKind::missing) {
    auto made = create_folder(path);
    if (!made && entry_kind(path) == EntryKind::missing) return made;
  }
  // Looked at again after creating: another process may have put a link there first.
  return check_plain_folder(path);
}

Result<void> create_own_folders(const Path& base, const Path& folder) {
  std::vector<Path> own;  // `folder` first, then each folder above it short of `base`
  Path at = folder;
  for (; at != base; at = at.parent_path()) {
    own.push_back(at);
    const Path parent = at.parent_path();
    if (parent.empty() || parent == at) break;  // `folder` does not lie below `base`
  }
  if (at == base) {
    if (auto made = create_folders(base); !made) return made;
  } else {
    own.resize(1);
  }
  for (auto it = own.rbegin(); it != own.rend(); ++it) {
    if (auto made = create_folder_refusing_links(*it); !made) return made;
  }
  return Ok{};
}

void remove_tree(const Path& path) {
  if (entry_kind(path) != EntryKind::directory) {
    remove_entry(path);
    return;
  }
  // Listed first and removed afterwards, so the listing never sees its own deletions.
  const auto children = platform::list_folder(path);
  for (const auto& child : children ? *children : std::vector<Path>{}) {
    if (entry_kind(child) == EntryKind::directory) {
      remove_tree(child);
    } else {
      remove_entry(child);
    }
  }
  remove_entry(path);
}

}  // namespace corvald::platform
