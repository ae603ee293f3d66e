#include "platform/append_file.hpp"

#include <algorithm>
#include <string>

#include "platform/system_message.hpp"
#include "platform/wide.hpp"
#include "platform/windows.hpp"

namespace corvald::platform {
namespace {

HANDLE as_handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

std::intptr_t closed_value() { return reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE); }

StubError last_error() {
  const DWORD code = GetLastError();
  return StubError::io(IoError{code, system_message(code)});
}

}  // namespace

Result<AppendFile> AppendFile::open(const std::filesystem::path& path) {
  const HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  return AppendFile(reinterpret_cast<std::intptr_t>(h));
}

AppendFile::AppendFile(AppendFile&& other) noexcept : handle_(other.handle_) {
  other.handle_ = closed_value();
}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = closed_value();
  }
  return *this;
}

AppendFile::~AppendFile() { close(); }

void AppendFile::close() {
  if (handle_ != closed_value()) CloseHandle(as_handle(handle_));
  handle_ = closed_value();
}

bool AppendFile::write(std::string_view text) {
  while (!text.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(as_handle(handle_), text.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

bool rename_no_replace(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

}  // namespace corvald::platform
