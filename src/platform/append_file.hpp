// A file opened for appending that other processes may read, write, rename and delete while
// it is open, as the log file needs. Every write goes straight to the operating system.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "worker/result.hpp"

namespace corvald::platform {

class AppendFile {
 public:
  // Opens the file for appending, creating it when missing.
  static Result<AppendFile> open(const std::filesystem::path& path);

  AppendFile(AppendFile&& other) noexcept;
  AppendFile& operator=(AppendFile&& other) noexcept;
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;
  ~AppendFile();

  // False when the text could not be written completely.
  bool write(std::string_view text);

 private:
  explicit AppendFile(std::intptr_t handle) : handle_(handle) {}
  void close();

  // A POSIX descriptor or a Win32 HANDLE, so this header needs neither system header.
  std::intptr_t handle_;
};

// Renames `from` to `to` unless `to` already exists; false when nothing was renamed.
bool rename_no_replace(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace corvald::platform
