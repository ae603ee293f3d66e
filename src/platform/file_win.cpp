#include "platform/file.hpp"

#include "platform/windows.hpp"

#include <algorithm>

#include "platform/file_error.hpp"
#include "text/format.hpp"

namespace corvald::platform {
namespace {

HANDLE as_handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

std::intptr_t closed_value() { return reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE); }

// Share read, write and delete: a rename or delete by the cache must not be refused because
// a handle is still open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Result<HANDLE> open_handle(const Path& path, std::string_view operation, DWORD access,
                           DWORD disposition, DWORD flags, DWORD share = kShareAll) {
  const HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_file_error(operation, path);
  return h;
}

}  // namespace

Result<File> File::create_truncate(const Path& path) {
  auto h = open_handle(path, "create", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL);
  if (!h) return std::move(h).error();
  return File(reinterpret_cast<std::intptr_t>(*h), path);
}

Result<File> File::create_truncate_held(const Path& path) {
  auto h = open_handle(path, "create", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ);
  if (!h) return std::move(h).error();
  return File(reinterpret_cast<std::intptr_t>(*h), path);
}

Result<File> File::open_for_write(const Path& path) {
  auto h = open_handle(path, "open for writing", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL);
  if (!h) return std::move(h).error();
  return File(reinterpret_cast<std::intptr_t>(*h), path);
}

Result<File> File::open_for_read(const Path& path) {
  auto h =
      open_handle(path, "open for reading", GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
  if (!h) return std::move(h).error();
  return File(reinterpret_cast<std::intptr_t>(*h), path);
}

Result<File> File::open_for_read_held(const Path& path) {
  auto h = open_handle(path, "open for reading", GENERIC_READ, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, FILE_SHARE_READ);
  if (!h) return std::move(h).error();
  return File(reinterpret_cast<std::intptr_t>(*h), path);
}

Result<std::uint64_t> File::size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(as_handle(handle_), &size)) return last_file_error("size of", path_);
  return static_cast<std::uint64_t>(size.QuadPart);
}

Result<File> File::open_for_append(const Path& path) {
  auto h =
      open_handle(path, "open for appending", FILE_APPEND_DATA, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (!h) return std::move(h).error();
  return File(reinterpret_cast<std::intptr_t>(*h), path);
}

File::File(File&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = closed_value();
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = closed_value();
  }
  return *this;
}

File::~File() { close(); }

void File::close() {
  if (handle_ != closed_value()) CloseHandle(as_handle(handle_));
  handle_ = closed_value();
}

Result<void> File::set_length(std::uint64_t length) {
  FILE_END_OF_FILE_INFO info{};
  info.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
  if (!SetFileInformationByHandle(as_handle(handle_), FileEndOfFileInfo, &info, sizeof info)) {
    return last_file_error("set the length of", path_);
  }
  return Ok{};
}

Result<std::uint32_t> File::write_at(std::uint64_t offset, const char* data, std::uint32_t size) {
  // On a synchronous handle the OVERLAPPED offset makes WriteFile positional, which lets
  // several workers write their ranges through one handle without seeking.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD written = 0;
  if (!WriteFile(as_handle(handle_), data, size, &written, &at)) {
    StubError error = last_file_error();
    return std::move(error).with_context(text::format("write at offset {} in", offset), path_);
  }
  return static_cast<std::uint32_t>(written);
}

Result<void> File::append(const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(as_handle(handle_), data, chunk, &written, nullptr)) {
      return last_file_error("append to", path_);
    }
    if (written == 0) {
      SetLastError(ERROR_DISK_FULL);
      return last_file_error("append to", path_);
    }
    data += written;
    size -= written;
  }
  return Ok{};
}

Result<std::uint32_t> File::read(char* buffer, std::uint32_t capacity) {
  DWORD got = 0;
  if (!ReadFile(as_handle(handle_), buffer, capacity, &got, nullptr)) {
    return last_file_error("read", path_);
  }
  return static_cast<std::uint32_t>(got);
}

Result<void> File::flush() {
  if (!FlushFileBuffers(as_handle(handle_))) return last_file_error("flush", path_);
  return Ok{};
}

Result<void> move_file_replace(const Path& from, const Path& to) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    StubError error = last_file_error();
    return std::move(error).with_context(text::format("rename {} to", from), to);
  }
  return Ok{};
}

Result<void> delete_file(const Path& path) {
  if (DeleteFileW(path.c_str())) return Ok{};
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Ok{};
  // A link to a folder is removed as a folder entry; its target stays.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const DWORD folder_link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & folder_link) == folder_link) {
    if (RemoveDirectoryW(path.c_str())) return Ok{};
    return last_file_error("delete", path);
  }
  SetLastError(error);
  return last_file_error("delete", path);
}

bool rename_no_replace(const Path& from, const Path& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

Result<void> copy_file_overwrite(const Path& from, const Path& to) {
  if (!CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, 0)) {
    StubError error = last_file_error();
    return std::move(error).with_context(text::format("copy {} to", from), to);
  }
  return Ok{};
}

}  // namespace corvald::platform
