#include "platform/file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/file_error.hpp"
#include "text/format.hpp"

namespace corvald::platform {
namespace {

constexpr std::intptr_t kClosed = -1;

Result<int> open_fd(const Path& path, int flags, std::string_view operation) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return last_file_error(operation, path);
  return fd;
}

}  // namespace

Result<File> File::create_truncate(const Path& path) {
  auto fd = open_fd(path, O_RDWR | O_CREAT | O_TRUNC, "create");
  if (!fd) return std::move(fd).error();
  return File(*fd, path);
}

Result<File> File::create_truncate_held(const Path& path) { return create_truncate(path); }

Result<File> File::open_for_write(const Path& path) {
  auto fd = open_fd(path, O_RDWR, "open for writing");
  if (!fd) return std::move(fd).error();
  return File(*fd, path);
}

Result<File> File::open_for_read(const Path& path) {
  auto fd = open_fd(path, O_RDONLY, "open for reading");
  if (!fd) return std::move(fd).error();
  return File(*fd, path);
}

Result<File> File::open_for_read_held(const Path& path) { return open_for_read(path); }

Result<std::uint64_t> File::size() const {
  struct stat info {};
  if (::fstat(static_cast<int>(handle_), &info) != 0) return last_file_error("size of", path_);
  return static_cast<std::uint64_t>(info.st_size);
}

Result<File> File::open_for_append(const Path& path) {
  auto fd = open_fd(path, O_WRONLY | O_APPEND | O_CREAT, "open for appending");
  if (!fd) return std::move(fd).error();
  return File(*fd, path);
}

File::File(File&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = kClosed;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = kClosed;
  }
  return *this;
}

File::~File() { close(); }

void File::close() {
  if (handle_ != kClosed) ::close(static_cast<int>(handle_));
  handle_ = kClosed;
}

Result<void> File::set_length(std::uint64_t length) {
  if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(length)) != 0) {
    return last_file_error("set the length of", path_);
  }
  return Ok{};
}

Result<std::uint32_t> File::write_at(std::uint64_t offset, const char* data, std::uint32_t size) {
  for (;;) {
    const ssize_t n = ::pwrite(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
    if (n >= 0) return static_cast<std::uint32_t>(n);
    if (errno != EINTR) {
      StubError error = last_file_error();
      return std::move(error).with_context(text::format("write at offset {} in", offset), path_);
    }
  }
}

Result<void> File::append(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(handle_), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return last_file_error("append to", path_);
    // A regular file only writes nothing when the disk is full without saying so.
    if (n == 0) {
      return file_error_from(std::make_error_code(std::errc::no_space_on_device))
          .with_context("append to", path_);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return Ok{};
}

Result<std::uint32_t> File::read(char* buffer, std::uint32_t capacity) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, capacity);
    if (n >= 0) return static_cast<std::uint32_t>(n);
    if (errno != EINTR) return last_file_error("read", path_);
  }
}

Result<void> File::flush() {
  if (::fsync(static_cast<int>(handle_)) != 0) return last_file_error("flush", path_);
  return Ok{};
}

Result<void> move_file_replace(const Path& from, const Path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    StubError error = last_file_error();
    return std::move(error).with_context(text::format("rename {} to", from), to);
  }
  return Ok{};
}

Result<void> delete_file(const Path& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Ok{};
  return last_file_error("delete", path);
}

bool rename_no_replace(const Path& from, const Path& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

Result<void> copy_file_overwrite(const Path& from, const Path& to) {
  std::error_code ec;
  std::filesystem::copy_file(std::filesystem::path(from), std::filesystem::path(to),
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) return file_error_from(ec).with_context(text::format("copy {} to", from), to);
  return Ok{};
}

}  // namespace corvald::platform
