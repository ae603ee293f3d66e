#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/append_file.hpp"

namespace corvald::platform {
namespace {

constexpr std::intptr_t kClosed = -1;

StubError errno_error(int code) {
  char buffer[256] = {};
  // GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return StubError::io(IoError{static_cast<std::uint32_t>(code), text});
}

}  // namespace

Result<AppendFile> AppendFile::open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return errno_error(errno);
  return AppendFile(fd);
}

AppendFile::AppendFile(AppendFile&& other) noexcept : handle_(other.handle_) {
  other.handle_ = kClosed;
}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = kClosed;
  }
  return *this;
}

AppendFile::~AppendFile() { close(); }

void AppendFile::close() {
  if (handle_ != kClosed) ::close(static_cast<int>(handle_));
  handle_ = kClosed;
}

bool AppendFile::write(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(static_cast<int>(handle_), text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool rename_no_replace(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace corvald::platform
