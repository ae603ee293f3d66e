#include "platform/file.hpp"

#include <gtest/gtest.h>

#include <string>

#include "logfile/test/log_test_support.hpp"

namespace corvald::platform {
namespace {

using logfile::testing::read_file;
using logfile::testing::TempDir;
using logfile::testing::write_file;

// The download engine pre-sizes the file and lets workers fill their ranges in any order.
TEST(PlatformFile, PositionalWritesFillAPreSizedFileInAnyOrder) {
  TempDir dir;
  const auto path = dir.path() / "f.download";
  write_file(path, "old content that must go");
  auto file = File::create_truncate(path);
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE(file->set_length(10).ok());
  ASSERT_EQ(*file->write_at(6, "WXYZ", 4), 4u);
  ASSERT_EQ(*file->write_at(0, "ABCDEF", 6), 6u);
  ASSERT_TRUE(file->flush().ok());
  file->close();
  EXPECT_EQ(read_file(path), "ABCDEFWXYZ");

  auto again = File::open_for_write(path);
  ASSERT_TRUE(again.ok());
  ASSERT_EQ(*again->write_at(2, "cd", 2), 2u);
  ASSERT_TRUE(again->set_length(4).ok());
  again->close();
  EXPECT_EQ(read_file(path), "ABcd");
}

TEST(PlatformFile, AppendAndSequentialReadRoundTrip) {
  TempDir dir;
  const auto path = dir.path() / "f";
  {
    auto file = File::create_truncate(path);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(file->append("hello ", 6).ok());
    ASSERT_TRUE(file->append("world", 5).ok());
  }
  auto file = File::open_for_read(path);
  ASSERT_TRUE(file.ok());
  char buffer[4];
  std::string seen;
  for (;;) {
    auto got = file->read(buffer, sizeof buffer);
    ASSERT_TRUE(got.ok());
    if (*got == 0) break;
    seen.append(buffer, *got);
  }
  EXPECT_EQ(seen, "hello world");
}

TEST(PlatformFile, OpeningAMissingFileIsAnIoErrorAndCreatesNothing) {
  TempDir dir;
  auto read = File::open_for_read(dir.path() / "absent");
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().kind(), StubError::Kind::io);
  EXPECT_NE(read.error().io_error().code, 0u);
  EXPECT_FALSE(File::open_for_write(dir.path() / "absent").ok());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent"));
}

// The cache renames and deletes files that a worker or a reader may still hold open.
TEST(PlatformFile, OpenFileCanBeRenamedOverAnotherAndDeleted) {
  TempDir dir;
  const auto temp = dir.path() / "Setup.exe.download";
  const auto final_path = dir.path() / "Setup.exe";
  write_file(final_path, "old");
  auto writer = File::create_truncate(temp);
  ASSERT_TRUE(writer.ok());
  ASSERT_TRUE(writer->append("new", 3).ok());
  ASSERT_TRUE(move_file_replace(temp, final_path).ok());
  EXPECT_EQ(read_file(final_path), "new");

  auto reader = File::open_for_read(final_path);
  ASSERT_TRUE(reader.ok());
  std::error_code ec;
  EXPECT_TRUE(std::filesystem::remove(final_path, ec)) << ec.message();
}

TEST(PlatformFile, CopyOverwritesAndLeavesTheSource) {
  TempDir dir;
  write_file(dir.path() / "a", "fresh");
  write_file(dir.path() / "b", "stale and longer");
  ASSERT_TRUE(copy_file_overwrite(dir.path() / "a", dir.path() / "b").ok());
  EXPECT_EQ(read_file(dir.path() / "b"), "fresh");
  EXPECT_EQ(read_file(dir.path() / "a"), "fresh");
  EXPECT_FALSE(copy_file_overwrite(dir.path() / "absent", dir.path() / "b").ok());
  EXPECT_FALSE(move_file_replace(dir.path() / "absent", dir.path() / "b").ok());
}

// Rotation renames the log while its handle is still open, and keeps writing through that
// handle when no new file can be opened; Windows allows both only with the right share mode.
TEST(PlatformFile, AppendHandleSurvivesARenameAndRenamingNeverReplaces) {
  TempDir dir;
  auto file = File::open_for_append(dir.path() / "app.log");
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE(file->append("before\n", 7).ok());
  ASSERT_TRUE(rename_no_replace(dir.path() / "app.log", dir.path() / "app.log.2026120810"));
  EXPECT_TRUE(file->append("after\n", 6).ok());
  EXPECT_EQ(read_file(dir.path() / "app.log.2026120810"), "before\nafter\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "app.log"));

  write_file(dir.path() / "app.log", "newer");
  EXPECT_FALSE(rename_no_replace(dir.path() / "app.log", dir.path() / "app.log.2026120810"));
  EXPECT_EQ(read_file(dir.path() / "app.log"), "newer");
}

// A temp name that is a dangling link must be freed as a link: a create through it would
// write the download wherever the link points.
TEST(PlatformFile, DeleteFileRemovesALinkNotItsTargetAndAMissingFileIsFine) {
  TempDir dir;
  EXPECT_TRUE(delete_file(dir.path() / "absent").ok());
  std::error_code ec;
  std::filesystem::create_symlink(dir.path() / "target", dir.path() / "x.download", ec);
  if (ec) GTEST_SKIP() << "symbolic links unavailable here: " << ec.message();
  ASSERT_TRUE(delete_file(dir.path() / "x.download").ok());
  ASSERT_TRUE(File::create_truncate(dir.path() / "x.download").ok());
  EXPECT_FALSE(std::filesystem::is_symlink(dir.path() / "x.download"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "target"));

  std::filesystem::create_directory(dir.path() / "folder");
  EXPECT_FALSE(delete_file(dir.path() / "folder").ok());
}

}  // namespace
}  // namespace corvald::platform
