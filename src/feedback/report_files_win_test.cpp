#include "feedback/report_files.hpp"

#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace corvald {
namespace {

namespace fs = std::filesystem;

void set_write_time(const fs::path& file, std::uint64_t ticks) {
  HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &time));
  CloseHandle(h);
}

// Dumps of a crash loop land within one second; they still come newest first.
TEST(ReportFilesWin, DumpsWrittenWithinOneSecondComeNewestFirst) {
  const fs::path root = fs::temp_directory_path() / "corvald-report-files-subsecond";
  fs::remove_all(root);
  fs::create_directories(root / "CrashDumps");
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  constexpr std::uint64_t second = 10'000'000;  // in 100-nanosecond ticks
  const std::uint64_t base =
      ((std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime) / second - 60) * second;
  // Created oldest first: a sort on whole seconds keeps the folder's order, which then
  // usually lists them oldest first.
  const char* names[] = {"a.dmp", "b.dmp", "c.dmp"};
  for (int i = 0; i < 3; ++i) {
    std::ofstream(root / "CrashDumps" / names[i], std::ios::binary) << "dump";
    set_write_time(root / "CrashDumps" / names[i], base + i * 3'000'000);
  }

  const auto dumps = collect_crash_dumps_under(root);
  ASSERT_EQ(dumps.size(), 3u);
  EXPECT_EQ(dumps[0].filename(), "c.dmp");
  EXPECT_EQ(dumps[1].filename(), "b.dmp");
  EXPECT_EQ(dumps[2].filename(), "a.dmp");
  fs::remove_all(root);
}

}  // namespace
}  // namespace corvald
