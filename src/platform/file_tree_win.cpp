#include "platform/file_tree.hpp"

#include "platform/windows.hpp"

namespace corvald::platform {

EntryKind entry_kind(const Path& path) {
  // GetFileAttributesW reports the link's own attributes; symbolic links and junctions both
  // carry FILE_ATTRIBUTE_REPARSE_POINT, and a link to a folder also FILE_ATTRIBUTE_DIRECTORY.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::missing;
  const bool is_directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return is_directory ? EntryKind::directory_link : EntryKind::other_link;
  }
  return is_directory ? EntryKind::directory : EntryKind::file;
}

bool remove_entry(const Path& path) {
  // RemoveDirectoryW on a folder link or junction removes the link and leaves its target.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RemoveDirectoryW(path.c_str()) != 0;
  return DeleteFileW(path.c_str()) != 0;
}

}  // namespace corvald::platform
