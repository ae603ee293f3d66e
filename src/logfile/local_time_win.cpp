#include "logfile/local_time.hpp"

#include "platform/windows.hpp"

#include <cstdint>

namespace corvald::logfile {
namespace {

// FILETIME counts 100 ns ticks since 1601-01-01, system_clock since 1970-01-01.
constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;

FILETIME to_file_time(std::chrono::system_clock::time_point at) {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  std::int64_t ticks =
      std::chrono::floor<Ticks>(at.time_since_epoch()).count() + kTicksFrom1601To1970;
  if (ticks < 0) ticks = 0;
  const auto value = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

}  // namespace

LocalTime to_local_time(std::chrono::system_clock::time_point at) {
  const FILETIME file_time = to_file_time(at);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!FileTimeToSystemTime(&file_time, &utc)) return LocalTime{};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return LocalTime{local.wYear,   local.wMonth,  local.wDay,         local.wHour,
                   local.wMinute, local.wSecond, local.wMilliseconds};
}

}  // namespace corvald::logfile
