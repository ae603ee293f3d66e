#include "logfile/retention.hpp"

#include <gtest/gtest.h>

#include "logfile/test/log_test_support.hpp"

namespace corvald::logfile {
namespace {

using testing::dec8;
using testing::ManualClock;
using testing::TempDir;
using testing::write_file;

TEST(LogRetention, CutoffIsTheHourKeyRetentionHoursBack) {
  ManualClock clock(dec8(12, 34));
  const LogClock log_clock = clock.clock();
  EXPECT_EQ(retention_cutoff(log_clock, log_clock.now(), 72), "2026120512");
  EXPECT_EQ(retention_cutoff(log_clock, log_clock.now(), 24 * 8 + 13), "2026112923");
}

TEST(LogRetention, DeletesOnlyRotatedFilesBelowTheCutoff) {
  TempDir dir;
  const auto& d = dir.path();
  const char* deleted[] = {"app.log.2026120511", "app.log.2025010100"};
  const char* kept[] = {"app.log",          "app.log.2026120512",     "app.log.2026120812",
                        "app.log.1",        "app.log.2026120512.bak", "notes.txt",
                        "app.log.20261205", "app.log.202612051100",   "App.log.2026010100"};
  for (const char* name : deleted) write_file(d / name, "x\n");
  for (const char* name : kept) write_file(d / name, "x\n");
  // A folder with a rotated file's name is not a log file.
  std::filesystem::create_directory(d / "app.log.2026010101");

  delete_rotated_before(d, "2026120512");

  for (const char* name : deleted) EXPECT_FALSE(std::filesystem::exists(d / name)) << name;
  for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(d / name)) << name;
  EXPECT_TRUE(std::filesystem::exists(d / "app.log.2026010101"));
}

}  // namespace
}  // namespace corvald::logfile
