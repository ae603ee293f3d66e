#include "platform/file_tree.hpp"

#include <system_error>
#include <vector>

#include "platform/file_error.hpp"

#include "text/format.hpp"

namespace corvald::platform {
namespace {

StubError refused(const std::filesystem::path& path, std::string_view reason) {
  const auto code = std::make_error_code(std::errc::too_many_symbolic_link_levels);
  return StubError::io(IoError{static_cast<std::uint32_t>(code.value()),
                               text::format("{} {}; refusing to write below it", path, reason)});
}

Result<void> check_plain_folder(const std::filesystem::path& path) {
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

Result<void> create_folder_refusing_links(const std::filesystem::path& path) {
  if (entry_kind(path) == EntryKind::missing) {
    std::error_code ec;
    std::filesystem::create_directory(path, ec);
    if (ec && entry_kind(path) == EntryKind::missing) return file_error_from(ec);
  }
  // Looked at again after creating: another process may have put a link there first.
  return check_plain_folder(path);
}

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
