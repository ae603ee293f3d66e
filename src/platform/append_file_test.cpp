#include "platform/append_file.hpp"

#include <gtest/gtest.h>

#include "logfile/test/log_test_support.hpp"

namespace corvald::platform {
namespace {

using logfile::testing::read_file;
using logfile::testing::TempDir;

// Rotation renames the file while its handle is still open, and keeps writing through that
// handle when no new file can be opened; Windows allows both only with the right share mode.
TEST(LogAppendFile, OpenFileCanBeRenamedAndKeepsWritingUnderItsNewName) {
  TempDir dir;
  auto file = AppendFile::open(dir.path() / "app.log");
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE(file->write("before\n"));
  ASSERT_TRUE(rename_no_replace(dir.path() / "app.log", dir.path() / "app.log.2026120810"));
  EXPECT_TRUE(file->write("after\n"));
  EXPECT_EQ(read_file(dir.path() / "app.log.2026120810"), "before\nafter\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "app.log"));
}

}  // namespace
}  // namespace corvald::platform
