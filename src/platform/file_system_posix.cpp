#include "platform/file_system.hpp"

#include <filesystem>
#include <system_error>

#include "platform/file_error.hpp"

namespace corvald::platform {
namespace {
std::filesystem::path std_path(const Path& path) { return std::filesystem::path(path); }
}  // namespace

bool exists(const Path& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(std_path(path), ec).type() !=
             std::filesystem::file_type::not_found &&
         !ec;
}

bool is_file(const Path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std_path(path), ec);
}

Result<std::uint64_t> file_size(const Path& path) {
  std::error_code ec;
  const std::uint64_t size = std::filesystem::file_size(std_path(path), ec);
  if (ec) return file_error_from(ec).with_context("size of", path);
  return size;
}

Result<void> create_folder(const Path& path) {
  std::error_code ec;
  std::filesystem::create_directory(std_path(path), ec);
  if (ec) return file_error_from(ec).with_context("create folder", path);
  return Ok{};
}

Result<std::vector<Path>> list_folder(const Path& folder) {
  std::vector<Path> entries;
  std::error_code ec;
  std::filesystem::directory_iterator it(std_path(folder), ec);
  if (ec) return file_error_from(ec).with_context("list folder", folder);
  for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;  // an entry that cannot be read ends the listing; what came before stays
    entries.emplace_back(it->path());
  }
  return entries;
}

}  // namespace corvald::platform
