#include "platform/file_system.hpp"

#include "platform/windows.hpp"

#include "platform/file_error.hpp"

namespace corvald::platform {

bool exists(const Path& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_file(const Path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Result<std::uint64_t> file_size(const Path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return last_file_error("size of", path);
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

Result<void> create_folder(const Path& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return Ok{};
  const StubError failed = last_file_error("create folder", path);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Ok{};
  }
  return failed;
}

Result<std::vector<Path>> list_folder(const Path& folder) {
  WIN32_FIND_DATAW found{};
  const Path pattern = folder / L"*";
  HANDLE search =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    // An empty folder still lists "." on every file system; only a missing or unreadable one
    // fails.
    return last_file_error("list folder", folder);
  }
  std::vector<Path> entries;
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back(folder / Path(std::wstring(name)));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

}  // namespace corvald::platform
