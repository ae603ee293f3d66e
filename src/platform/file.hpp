// Files as the installer cache, the download engine and the log use them: a handle is opened
// with the Windows share modes read, write and delete (so other readers and a concurrent
// rename or delete are not locked out) unless it is held, with positional writes into a
// pre-sized file or appends that go straight to the operating system. Win32 in the product,
// POSIX for native tests. Every failure names its operation and its file (StubError's steps).
#pragma once

#include <cstdint>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald::platform {

class File {
 public:
  // Creates the file or truncates an existing one.
  static Result<File> create_truncate(const Path& path);
  // The same, sharing read alone: while this handle is open others may read the file, but
  // nobody can open it to write, rename or delete it, so all writing goes through this one
  // handle (POSIX has no such lock, and there it is create_truncate). Writes through it may
  // come from several threads at once.
  static Result<File> create_truncate_held(const Path& path);
  // Opens an existing file for writing without creating or truncating it.
  static Result<File> open_for_write(const Path& path);
  static Result<File> open_for_read(const Path& path);
  // Opens an existing file for reading and shares read alone: for as long as the handle is
  // open nobody can write, rename or delete the file (a sharing violation on Windows; POSIX
  // has no such lock, and there it is a plain read handle).
  static Result<File> open_for_read_held(const Path& path);
  // Opens for appending, creating the file when missing: every write lands at the end, even
  // when other processes append to the same file.
  static Result<File> open_for_append(const Path& path);

  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  Result<std::uint64_t> size() const;
  // Sets the end of file (FileEndOfFileInfo on Windows), growing or shrinking the file.
  Result<void> set_length(std::uint64_t length);
  // One positional write; returns the count written, which may be short.
  Result<std::uint32_t> write_at(std::uint64_t offset, const char* data, std::uint32_t size);
  // Writes all of `data` at the current position.
  Result<void> append(const char* data, std::size_t size);
  // One sequential read; 0 at the end of the file. Interrupted reads are retried.
  Result<std::uint32_t> read(char* buffer, std::uint32_t capacity);
  Result<void> flush();
  void close();

 private:
  File(std::intptr_t handle, Path path) : handle_(handle), path_(std::move(path)) {}

  // A POSIX descriptor or a Win32 HANDLE, so this header needs neither system header.
  std::intptr_t handle_;
  // Kept so that a failed read or write names its file.
  Path path_;
};

// Renames, replacing an existing target (MoveFileExW with MOVEFILE_REPLACE_EXISTING).
Result<void> move_file_replace(const Path& from, const Path& to);
// Deletes a file, or a link itself and never what it points to (std::filesystem follows
// links on Windows, so a dangling one there looks absent and a later create writes through
// it). A missing file is no error.
Result<void> delete_file(const Path& path);
// Renames unless `to` already exists; false when nothing was renamed.
bool rename_no_replace(const Path& from, const Path& to);
// Copies, overwriting an existing target (CopyFileExW).
Result<void> copy_file_overwrite(const Path& from, const Path& to);

}  // namespace corvald::platform
