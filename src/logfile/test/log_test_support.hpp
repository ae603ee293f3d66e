// Shared pieces of the logger tests: a clock the test sets by hand and a scratch folder.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "logfile/log_clock.hpp"

namespace corvald::logfile::testing {

using Millis = std::chrono::sys_time<std::chrono::milliseconds>;

// 2026-12-08 plus a time of day, read as local time by ManualClock.
inline Millis dec8(int hour, int minute, int second = 0, int millisecond = 0) {
  using namespace std::chrono;
  return sys_days{year{2026} / December / 8} + hours{hour} + minutes{minute} + seconds{second} +
         milliseconds{millisecond};
}

// A clock whose time zone is UTC, so set times read back unchanged as local times.
class ManualClock {
 public:
  explicit ManualClock(Millis start) : ms_(start.time_since_epoch().count()) {}

  void set(Millis at) { ms_.store(at.time_since_epoch().count()); }

  LogClock clock() {
    return LogClock{
        [this] {
          return std::chrono::system_clock::time_point(std::chrono::milliseconds(ms_.load()));
        },
        &utc_reading};
  }

  static LocalTime utc_reading(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const auto day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> t(floor<milliseconds>(at - day));
    return LocalTime{int(date.year()),           int(unsigned(date.month())),
                     int(unsigned(date.day())),  int(t.hours().count()),
                     int(t.minutes().count()),   int(t.seconds().count()),
                     int(t.subseconds().count())};
  }

 private:
  std::atomic<std::int64_t> ms_;
};

class TempDir {
 public:
  TempDir() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("corvald-logfile-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// A log folder as one text: the hours already rotated away in order, then the current file,
// so lines that cross an hour still read in the order they were written.
inline std::string log_folder_text(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> rotated;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().starts_with("app.log.")) rotated.push_back(it->path());
  }
  std::sort(rotated.begin(), rotated.end());
  std::string text;
  for (const auto& file : rotated) text += read_file(file);
  return text + read_file(folder / "app.log");
}

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace corvald::logfile::testing
