// A classic (non-Zip64) zip archive of stored entries, written without a compression library.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.hpp"

namespace corvald::feedback {

struct BundleEntry {
  std::string name;  // UTF-8 bytes; the UTF-8 name flag stays clear (names are ASCII in use)
  std::string data;
};

struct DosStamp {
  std::uint16_t time = 0;
  std::uint16_t date = 0;
};

// UTC calendar time of `at` in DOS form; times before 1970 read as 1970-01-01 00:00:00,
// years outside 1980..2107 are clamped to the field's range.
DosStamp dos_stamp(std::chrono::system_clock::time_point at);

// Local headers with names and data, central directory, end record; every entry carries
// `stamp`. Fails (internal kind) with a "zip: " message when the layout cannot hold the input.
Result<std::string> write_zip(const std::vector<BundleEntry>& entries, DosStamp stamp);

}  // namespace corvald::feedback
