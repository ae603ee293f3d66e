#include "cache/cache.hpp"

#include "platform/windows.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/test/sleep_recorder.hpp"
#include "cache/cache_test_support.hpp"
#include "logfile/test/log_capture.hpp"
#include "logfile/test/log_test_support.hpp"
#include "platform/win_handles.hpp"
#include "text/format.hpp"

namespace corvald::cache {
namespace {

using testing::lookup_in;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using corvald::testing::SleepRecorder;
using logfile::testing::read_file;
using logfile::testing::TempDir;
using logfile::testing::write_file;

// Another process's handle on the file: without share-delete it cannot be deleted or
// renamed over, and without share-write it cannot be opened for writing.
platform::UniqueFileHandle hold(const fs::path& path, DWORD share) {
  return platform::UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(CacheWinLocks, LockedTempSendsTheDownloadToTheNextName) {
  TempDir dir;
  write_file(dir.path() / "Setup.exe.download", "held by another process");
  const auto lock = hold(dir.path() / "Setup.exe.download", FILE_SHARE_READ);
  ASSERT_TRUE(lock.valid());

  auto temp = select_temp_path(dir.path() / "Setup.exe");
  ASSERT_TRUE(temp.ok()) << temp.error().display();
  EXPECT_EQ(*temp, dir.path() / "Setup.exe.download.1");
  EXPECT_EQ(fs::file_size(fs::path(*temp)), 0u);
  EXPECT_EQ(read_file(dir.path() / "Setup.exe.download"), "held by another process");
}

TEST(CacheWinLocks, LockedFinalFileIsReplacedByAnAlternateThatTheLookupIgnores) {
  TempDir dir;
  const auto folder = dir.path() / "2.0.1";
  fs::create_directories(folder);
  write_file(folder / "Setup.exe", "the running old installer");
  write_file(folder / "Setup.exe.download", "abc");
  SleepRecorder sleep;
  {
    const auto lock = hold(folder / "Setup.exe", 0);
    ASSERT_TRUE(lock.valid());
    auto placed =
        promote_download(folder / "Setup.exe.download", folder / "Setup.exe", "dl", sleep.clock());
    ASSERT_TRUE(placed.ok()) << placed.error().display();
    EXPECT_EQ(*placed, folder / "Setup-1.exe");
  }
  EXPECT_EQ(sleep.waits, (std::vector{0ms, 300ms, 1500ms}));
  EXPECT_EQ(read_file(folder / "Setup-1.exe"), "abc");
  EXPECT_EQ(read_file(folder / "Setup.exe"), "the running old installer");
  EXPECT_FALSE(fs::exists(folder / "Setup.exe.download"));

  const feed::Feed feed{"2.0.1", "https://cdn.example/Setup.exe", testing::kAbcSha, std::nullopt,
                        3};
  auto next_run = lookup_in(dir.path(), feed);
  ASSERT_TRUE(next_run.ok());
  EXPECT_EQ(next_run->kind, CacheLookup::Kind::miss);
  EXPECT_EQ(next_run->path, folder / "Setup.exe");
}

// A scanner that holds the finished temporary file without delete sharing: the promotion
// copies it into place and cannot delete it, and it goes at the end of the run once let go,
// each step with its line in the log, instead of staying for good.
TEST(CacheWinLocks, ATempHeldThroughPromotionIsRemovedOnceReleased) {
  TempDir dir;
  const auto final_path = dir.path() / "Setup.exe";
  const auto temp = dir.path() / "Setup.exe.download";
  write_file(temp, "abc");
  logfile::testing::LogCapture capture;
  {
    const auto scanner = hold(temp, FILE_SHARE_READ);
    ASSERT_TRUE(scanner.valid());
    auto placed = promote_download(temp, final_path, "dl", SleepRecorder().clock());
    ASSERT_TRUE(placed.ok()) << placed.error().display();
    EXPECT_EQ(*placed, final_path);
    EXPECT_TRUE(fs::exists(temp));
  }
  cleanup_stale_temps(final_path);
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_EQ(read_file(final_path), "abc");
  using ::testing::Contains;
  const auto messages = capture.messages();
  EXPECT_THAT(messages, Contains(::testing::HasSubstr(text::format(
                            "  cache leftover temporary file {} not removed: ", Path(temp)))));
  EXPECT_THAT(messages,
              Contains(text::format("  cache removed leftover temporary file {}", Path(temp))));
}

// Wine 8 answers CreateSymbolicLinkW with success but creates nothing, so the link is
// looked at before the test relies on it.
bool make_directory_link(const fs::path& link, const fs::path& target) {
  if (!CreateSymbolicLinkW(
          link.c_str(), target.c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    return false;
  }
  const DWORD attributes = GetFileAttributesW(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TEST(CacheWinPruneLinks, FolderLinksAreRemovedAsLinksAndTheirTargetsStay) {
  TempDir dir;
  const auto root = dir.path() / "Cache";
  const auto precious = dir.path() / "Documents";
  fs::create_directories(precious / "deep");
  write_file(precious / "deep" / "thesis.txt", "years of work");
  fs::create_directories(root / "1.9.0");
  fs::create_directories(root / "2.0.1");
  if (!make_directory_link(root / "1.8.0", precious) ||
      !make_directory_link(root / "1.9.0" / "inner", precious)) {
    GTEST_SKIP() << "directory symbolic links cannot be created here";
  }

  ASSERT_TRUE(prune_older_in(root, "2.0.1").ok());
  EXPECT_EQ(GetFileAttributesW((root / "1.8.0").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(fs::exists(root / "1.9.0"));
  EXPECT_TRUE(fs::exists(root / "2.0.1"));
  EXPECT_EQ(read_file(precious / "deep" / "thesis.txt"), "years of work");
}

// Where Wine can make the link: the version folder as a link elsewhere is refused before the
// lookup reads or writes anything through it.
TEST(CacheWinLookupLinks, VersionFolderLinkIsRefused) {
  TempDir dir;
  const auto root = dir.path() / "Cache";
  const auto elsewhere = dir.path() / "elsewhere";
  fs::create_directories(root);
  fs::create_directories(elsewhere);
  if (!make_directory_link(root / "2.0.1", elsewhere)) {
    GTEST_SKIP() << "directory symbolic links cannot be created here";
  }
  write_file(elsewhere / "Setup.exe", "abc");
  const feed::Feed feed{"2.0.1", "https://cdn.example/Setup.exe", "digest", std::nullopt, 3};
  auto result = lookup_in(root, feed);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind(), StubError::Kind::io);
  EXPECT_NE(result.error().display().find("2.0.1"), std::string::npos);
  EXPECT_EQ(read_file(elsewhere / "Setup.exe"), "abc");
}

}  // namespace
}  // namespace corvald::cache
