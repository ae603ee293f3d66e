#include "logfile/retention.hpp"

#include <string>
#include <system_error>

#include "logfile/line_format.hpp"
#include "platform/file.hpp"
#include "platform/file_system.hpp"

namespace corvald::logfile {
namespace {

constexpr std::string_view kRotatedPrefix = "app.log.";
constexpr std::size_t kKeyLength = 10;

// The ten digits after the prefix; works on the native (wide on Windows) name directly so
// that a name which is not valid Unicode cannot make the conversion fail.
std::string key_of(const Path& file_name) {
  const auto& name = file_name.native();
  if (name.size() != kRotatedPrefix.size() + kKeyLength) return {};
  for (std::size_t i = 0; i < kRotatedPrefix.size(); ++i) {
    if (name[i] != kRotatedPrefix[i]) return {};
  }
  std::string key;
  for (std::size_t i = kRotatedPrefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return {};
    key.push_back(static_cast<char>(name[i]));
  }
  return key;
}

}  // namespace

bool is_rotated_log_name(const Path& file_name) { return !key_of(file_name).empty(); }

std::string retention_cutoff(const LogClock& clock, std::chrono::system_clock::time_point now,
                             std::uint32_t retention_hours) {
  return hour_key(clock.to_local(now - std::chrono::hours(retention_hours)));
}

void delete_rotated_before(const Path& folder, std::string_view cutoff) {
  const auto entries = platform::list_folder(folder);
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (!platform::is_file(entry)) continue;
    const std::string key = key_of(entry.filename());
    if (!key.empty() && key < cutoff) (void)platform::delete_file(entry);
  }
}

}  // namespace corvald::logfile
