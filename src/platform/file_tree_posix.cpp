#include "platform/file_tree.hpp"

#include <system_error>

namespace corvald::platform {

EntryKind entry_kind(const Path& path) {
  std::error_code ec;
  const auto own = std::filesystem::symlink_status(std::filesystem::path(path), ec);
  if (ec || own.type() == std::filesystem::file_type::not_found) return EntryKind::missing;
  if (own.type() == std::filesystem::file_type::symlink) {
    return std::filesystem::is_directory(std::filesystem::path(path), ec)
               ? EntryKind::directory_link
               : EntryKind::other_link;
  }
  return own.type() == std::filesystem::file_type::directory ? EntryKind::directory
                                                             : EntryKind::file;
}

bool remove_entry(const Path& path) {
  // remove() unlinks a symbolic link itself and only removes empty folders.
  std::error_code ec;
  return std::filesystem::remove(std::filesystem::path(path), ec) && !ec;
}

}  // namespace corvald::platform
