#include "cache/cache.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/test/sleep_recorder.hpp"
#include "cache/cache_names.hpp"
#include "cache/cache_test_support.hpp"
#include "logfile/test/log_test_support.hpp"
#include "startup/paths.hpp"
#include "text/format.hpp"
#include "text/utf.hpp"
#include "verify/file_digest.hpp"

namespace corvald::cache {
namespace {

using testing::lookup_in;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using corvald::testing::SleepRecorder;
using logfile::testing::read_file;
using logfile::testing::TempDir;
using logfile::testing::write_file;
using ::testing::HasSubstr;

using testing::kAbcSha;

feed::Feed abc_feed(std::string version = "2.0.1",
                    std::string url = "https://cdn.example/rel/Tavrin-Setup.exe") {
  return feed::Feed{std::move(version), std::move(url), kAbcSha, std::nullopt, 3};
}

std::set<std::string> names_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

// Counts digest runs, so a test can tell that a file was judged by its size alone.
struct CountingDigest {
  int calls = 0;
  DigestFn fn() {
    return [this](platform::File& file) {
      ++calls;
      return verify::sha512_base64_of(file);
    };
  }
};

TEST(CacheDir, NeedsAnAbsoluteLocalAppData) {
  auto unset = cache_dir_under(std::nullopt);
  ASSERT_FALSE(unset.ok());
  EXPECT_EQ(unset.error().kind(), StubError::Kind::internal);
  EXPECT_EQ(unset.error().text(), "LOCALAPPDATA not set");
  EXPECT_EQ(cache_dir_under(fs::path()).error().text(), "LOCALAPPDATA not set");
  EXPECT_FALSE(cache_dir_under(fs::path("relative/appdata")).ok());

  TempDir dir;
  auto root = cache_dir_under(dir.path());
  ASSERT_TRUE(root.ok());
  EXPECT_EQ(*root, dir.path() / "tavrin" / "Cache");
  EXPECT_FALSE(fs::exists(fs::path(*root)));
}

TEST(CacheLookup, MissCreatesTheVersionFolderAndNamesThePayloadAfterTheUrl) {
  TempDir dir;
  const auto root = dir.path() / "Cache";
  auto miss = lookup_in(root, abc_feed());
  ASSERT_TRUE(miss.ok());
  EXPECT_EQ(miss->kind, CacheLookup::Kind::miss);
  EXPECT_EQ(miss->path, root / "2.0.1" / "Tavrin-Setup.exe");
  EXPECT_TRUE(fs::is_directory(root / "2.0.1"));

  auto slash = lookup_in(root, abc_feed("2.0.1", "https://cdn.example/rel/"));
  ASSERT_TRUE(slash.ok());
  EXPECT_EQ(slash->path, root / "2.0.1" / "payload.bin");
}

// The verdict that makes the hit is the one the installer runs under: one digest of the
// file, taken through the handle the hit keeps.
TEST(CacheLookup, MatchingFileIsAHitHashedOnceAndHeld) {
  TempDir dir;
  const auto folder = dir.path() / "2.0.1";
  fs::create_directories(folder);
  write_file(folder / "Tavrin-Setup.exe", "abc");
  CountingDigest digest;

  auto hit = lookup_in(dir.path(), abc_feed(), digest.fn());
  ASSERT_TRUE(hit.ok()) << hit.error().display();
  EXPECT_EQ(hit->kind, CacheLookup::Kind::hit);
  EXPECT_EQ(hit->path, folder / "Tavrin-Setup.exe");
  ASSERT_TRUE(hit->held.has_value());
  EXPECT_EQ(hit->held->path(), folder / "Tavrin-Setup.exe");
  EXPECT_EQ(digest.calls, 1);
}

TEST(CacheLookup, FileWithOneChangedByteIsDeletedAndTheFolderStays) {
  TempDir dir;
  const auto folder = dir.path() / "2.0.1";
  fs::create_directories(folder);
  write_file(folder / "Tavrin-Setup.exe", "abd");
  auto miss = lookup_in(dir.path(), abc_feed());
  ASSERT_TRUE(miss.ok());
  EXPECT_EQ(miss->kind, CacheLookup::Kind::miss);
  EXPECT_FALSE(fs::exists(folder / "Tavrin-Setup.exe"));
  EXPECT_TRUE(fs::is_directory(folder));
}

TEST(CacheLookup, FileOfTheWrongSizeIsDeletedWithoutHashing) {
  TempDir dir;
  fs::create_directories(dir.path() / "2.0.1");
  write_file(dir.path() / "2.0.1" / "Tavrin-Setup.exe", "abcd");
  CountingDigest digest;
  auto miss = lookup_in(dir.path(), abc_feed(), digest.fn());
  ASSERT_TRUE(miss.ok());
  EXPECT_EQ(miss->kind, CacheLookup::Kind::miss);
  EXPECT_EQ(digest.calls, 0);
  EXPECT_FALSE(fs::exists(dir.path() / "2.0.1" / "Tavrin-Setup.exe"));
}

// A folder in the installer's place is no installer; it must not fail every later run.
TEST(CacheLookup, FolderInTheInstallersPlaceIsAMissAndAnEmptyOneGoes) {
  TempDir dir;
  fs::create_directories(dir.path() / "2.0.1" / "Tavrin-Setup.exe");
  CountingDigest digest;
  auto miss = lookup_in(dir.path(), abc_feed(), digest.fn());
  ASSERT_TRUE(miss.ok()) << miss.error().display();
  EXPECT_EQ(miss->kind, CacheLookup::Kind::miss);
  EXPECT_EQ(digest.calls, 0);
  EXPECT_FALSE(fs::exists(dir.path() / "2.0.1" / "Tavrin-Setup.exe"));

  fs::create_directories(dir.path() / "2.0.1" / "Tavrin-Setup.exe" / "inner");
  auto again = lookup_in(dir.path(), abc_feed(), digest.fn());
  ASSERT_TRUE(again.ok()) << again.error().display();
  EXPECT_EQ(again->kind, CacheLookup::Kind::miss);
}

// The comparison is exact: a feed digest in another case or with blanks is a different one.
TEST(CacheLookup, FeedDigestInAnotherCaseOrWithBlanksNeverMatches) {
  const std::string lower = text::ascii_lower(kAbcSha);
  for (const std::string& sha : {lower, " " + std::string(kAbcSha), std::string(kAbcSha) + "\n"}) {
    TempDir dir;
    fs::create_directories(dir.path() / "2.0.1");
    write_file(dir.path() / "2.0.1" / "Tavrin-Setup.exe", "abc");
    auto feed = abc_feed();
    feed.sha512 = sha;
    auto result = lookup_in(dir.path(), feed);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->kind, CacheLookup::Kind::miss) << sha;
  }
}

TEST(CacheLookup, DigestFailureIsAnIoErrorAndKeepsTheFile) {
  TempDir dir;
  fs::create_directories(dir.path() / "2.0.1");
  write_file(dir.path() / "2.0.1" / "Tavrin-Setup.exe", "abc");
  const DigestFn failing = [](platform::File&) -> Result<std::string> {
    return StubError::io(IoError{5, "Access is denied."});
  };
  auto result = lookup_in(dir.path(), abc_feed(), failing);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind(), StubError::Kind::io);
  EXPECT_EQ(result.error().context_text(), "verify the cached installer (system error 5)");
  EXPECT_TRUE(fs::exists(dir.path() / "2.0.1" / "Tavrin-Setup.exe"));
}

TEST(CacheLookup, VersionFolderThatCannotBeCreatedIsAnIoError) {
  TempDir dir;
  write_file(dir.path() / "2.0.1", "a file where the folder belongs");
  auto result = lookup_in(dir.path(), abc_feed());
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind(), StubError::Kind::io);
}

// Without the check, version ".." would make the file beside the cache root the "cached"
// installer, delete it for its wrong size and send the download there.
TEST(CacheLookupUnsafeNames, NeverTouchAnythingOutsideTheRoot) {
  const std::vector<feed::Feed> feeds = {
      abc_feed(".."),
      abc_feed("."),
      abc_feed(""),
      abc_feed("../2.0.1"),
      abc_feed("..\\2.0.1"),
      abc_feed("C:"),
      abc_feed("2.0.1\n"),
      abc_feed("2.0.1."),
      abc_feed("2.0.1 "),
      abc_feed(std::string("2.0\0.1", 6)),
      abc_feed("2.0\xFF"),
      abc_feed("2.0.1", "https://cdn.example/rel/.."),
      abc_feed("2.0.1", "https://cdn.example/rel/..\\..\\Tavrin-Setup.exe"),
      abc_feed("2.0.1", "https://cdn.example/rel/C:Tavrin-Setup.exe"),
      abc_feed("2.0.1", "https://cdn.example/rel/Setup.exe:stream"),
      abc_feed("2.0.1", "https://cdn.example/rel/nul"),
      abc_feed("2.0.1", "https://cdn.example/rel/NUL.txt"),
      abc_feed("2.0.1", "https://cdn.example/rel/Con"),
      abc_feed("2.0.1", "https://cdn.example/rel/aux .exe"),
      abc_feed("2.0.1", "https://cdn.example/rel/com1.exe"),
      abc_feed("2.0.1", "https://cdn.example/rel/LPT9"),
      abc_feed("2.0.1", "https://cdn.example/rel/prn.tar.gz"),
      abc_feed("2.0.1", "https://cdn.example/rel/Setup.exe."),
      abc_feed("2.0.1", "https://cdn.example/rel/Setup.exe?sig=abc"),
      abc_feed("2.0|1"),
      abc_feed("2.0.1", "https://cdn.example/rel/Set*up.exe"),
      abc_feed("2.0.1", "https://cdn.example/rel/\"Setup\".exe"),
      abc_feed("2.0.1", "https://cdn.example/rel/<Setup>.exe"),
  };
  for (const auto& feed : feeds) {
    TempDir dir;
    const auto root = dir.path() / "Cache";
    write_file(dir.path() / "Tavrin-Setup.exe", "not the installer");
    auto result = lookup_in(root, feed);
    ASSERT_FALSE(result.ok()) << feed.version << " " << feed.url;
    EXPECT_EQ(result.error().kind(), StubError::Kind::internal);
    EXPECT_THAT(result.error().text(), HasSubstr("unsafe cache path component in "));
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"Tavrin-Setup.exe"});
  }
}

TEST(CacheLookupUnsafeNames, OrdinaryNamesThatMerelyResembleDevicesAreFine) {
  for (const char* name : {"console.exe", "COM10.exe", "auxiliary", "nul-installer.exe",
                           "Setup 2.0.exe", "lpt.exe", ".hidden"}) {
    EXPECT_EQ(unsafe_component_reason(name), std::nullopt) << name;
  }
  for (const char* version : {"2.0.1", "2.0.1-beta.3+build.7", "v2"}) {
    EXPECT_EQ(unsafe_component_reason(version), std::nullopt) << version;
  }
  EXPECT_NE(unsafe_component_reason("com\xC2\xB9.exe"), std::nullopt);
}

TEST(CacheTempPath, ExistingTempIsEmptiedAndReused) {
  TempDir dir;
  write_file(dir.path() / "Setup.exe.download", "stale bytes");
  auto temp = select_temp_path(dir.path() / "Setup.exe");
  ASSERT_TRUE(temp.ok());
  EXPECT_EQ(*temp, dir.path() / "Setup.exe.download");
  EXPECT_EQ(fs::file_size(fs::path(*temp)), 0u);
}

// A folder in the way cannot be deleted as a file, the same as a temp that is locked.
TEST(CacheTempPath, BlockedNamesAreSkippedInOrderUntilNoneIsLeft) {
  TempDir dir;
  const auto final_path = dir.path() / "Setup.exe";
  const auto block = [&](const std::string& name) {
    fs::create_directories(dir.path() / name);
    write_file(dir.path() / name / "inside", "x");
  };
  block("Setup.exe.download");
  block("Setup.exe.download.1");
  auto third = select_temp_path(final_path);
  ASSERT_TRUE(third.ok());
  EXPECT_EQ(*third, dir.path() / "Setup.exe.download.2");
  EXPECT_TRUE(fs::is_regular_file(fs::path(*third)));

  for (int k = 2; k <= 7; ++k) {
    fs::remove(dir.path() / ("Setup.exe.download." + std::to_string(k)));
    block("Setup.exe.download." + std::to_string(k));
  }
  auto none = select_temp_path(final_path);
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.error().kind(), StubError::Kind::internal);
  EXPECT_EQ(none.error().text(),
            "no usable temp path near " + text::path_to_utf8(dir.path() / "Setup.exe.download"));
}

TEST(CacheTempPath, CleanupRemovesEveryNameWithTheTempPrefixAndNothingElse) {
  TempDir dir;
  for (const char* name : {"Setup.exe", "Setup.exe.download", "Setup.exe.download.7",
                           "Setup.exe.downloadXYZ", "Setup-1.exe", "Setup.exe.part"}) {
    write_file(dir.path() / name, "x");
  }
  cleanup_stale_temps(dir.path() / "Setup.exe");
  EXPECT_EQ(names_in(dir.path()),
            (std::set<std::string>{"Setup.exe", "Setup-1.exe", "Setup.exe.part"}));
  cleanup_stale_temps(dir.path() / "absent-folder" / "Setup.exe");
}

TEST(CacheVerify, SizeIsCheckedBeforeTheDigest) {
  TempDir dir;
  const auto temp = dir.path() / "Setup.exe.download";
  write_file(temp, "abcd");
  auto wrong_size = verify_download(temp, abc_feed(), "dl", kAbcSha);
  ASSERT_FALSE(wrong_size.ok());
  EXPECT_EQ(wrong_size.error().kind(), StubError::Kind::verify);
  EXPECT_EQ(wrong_size.error().expected_sha512(), kAbcSha);
  EXPECT_EQ(wrong_size.error().actual_sha512(), "");
  EXPECT_EQ(wrong_size.error().expected_size(), 3u);
  EXPECT_EQ(wrong_size.error().actual_size(), 4u);

  write_file(temp, "abd");
  const std::string taken = *verify::sha512_base64_of_file(temp);
  auto wrong_digest = verify_download(temp, abc_feed(), "dl", taken);
  ASSERT_FALSE(wrong_digest.ok());
  EXPECT_EQ(wrong_digest.error().kind(), StubError::Kind::verify);
  EXPECT_EQ(wrong_digest.error().actual_sha512(), taken);
  EXPECT_EQ(wrong_digest.error().expected_size(), 3u);
  EXPECT_EQ(wrong_digest.error().actual_size(), 3u);

  write_file(temp, "abc");
  EXPECT_TRUE(verify_download(temp, abc_feed(), "dl", kAbcSha).ok());

  auto missing = verify_download(dir.path() / "absent", abc_feed(), "dl", kAbcSha);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().kind(), StubError::Kind::io);
}

TEST(CachePromote, RenamesOverAnOlderFinalFileAtTheFirstTry) {
  TempDir dir;
  write_file(dir.path() / "Setup.exe", "old");
  write_file(dir.path() / "Setup.exe.download", "new");
  write_file(dir.path() / "Setup.exe.download.3", "leftover");
  SleepRecorder sleep;
  auto placed = promote_download(dir.path() / "Setup.exe.download", dir.path() / "Setup.exe", "dl",
                                 sleep.clock());
  ASSERT_TRUE(placed.ok());
  EXPECT_EQ(*placed, dir.path() / "Setup.exe");
  EXPECT_EQ(read_file(dir.path() / "Setup.exe"), "new");
  EXPECT_EQ(sleep.waits, std::vector{0ms});
  EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"Setup.exe"});
}

// A non-empty folder at a name refuses both rename and copy natively, like a running
// installer on Windows; the lookup of the next run still looks only at Setup.exe.
TEST(CachePromote, UnplaceableFinalFallsBackToTheNextFreeAlternate) {
  TempDir dir;
  const auto block = [&](const std::string& name) {
    fs::create_directories(dir.path() / name);
    write_file(dir.path() / name / "inside", "x");
  };
  block("Setup.exe");
  block("Setup-1.exe");
  write_file(dir.path() / "Setup-2.exe", "older alternate");
  write_file(dir.path() / "Setup.exe.download", "new");
  SleepRecorder sleep;
  auto placed = promote_download(dir.path() / "Setup.exe.download", dir.path() / "Setup.exe", "dl",
                                 sleep.clock());
  ASSERT_TRUE(placed.ok());
  EXPECT_EQ(*placed, dir.path() / "Setup-2.exe");
  EXPECT_EQ(read_file(dir.path() / "Setup-2.exe"), "new");
  EXPECT_EQ(sleep.waits, (std::vector{0ms, 300ms, 1500ms}));
  EXPECT_FALSE(fs::exists(dir.path() / "Setup.exe.download"));
}

TEST(CachePromote, AlternateNamesKeepTheLastExtension) {
  const auto alternate_for = [](const char* name) {
    TempDir dir;
    fs::create_directories(dir.path() / name / "blocked");
    write_file(dir.path() / "t.download", "new");
    auto placed = promote_download(dir.path() / "t.download", dir.path() / name, "dl",
                                   SleepRecorder().clock());
    return placed.ok() ? text::path_to_utf8(placed->filename()) : placed.error().display();
  };
  EXPECT_EQ(alternate_for("Setup.exe"), "Setup-1.exe");
  EXPECT_EQ(alternate_for("Tavrin.Setup.2.0.exe"), "Tavrin.Setup.2.0-1.exe");
  EXPECT_EQ(alternate_for("payload"), "payload-1");
  EXPECT_EQ(alternate_for(".installer"), ".installer-1");
}

TEST(CachePromote, NoWritableNameAtAllIsAnErrorAndKeepsTheVerifiedFile) {
  TempDir dir;
  for (const std::string name : {"Setup.exe", "Setup-1.exe", "Setup-2.exe", "Setup-3.exe",
                                 "Setup-4.exe", "Setup-5.exe", "Setup-6.exe", "Setup-7.exe"}) {
    fs::create_directories(dir.path() / name / "blocked");
  }
  write_file(dir.path() / "Setup.exe.download", "new");
  auto placed = promote_download(dir.path() / "Setup.exe.download", dir.path() / "Setup.exe", "dl",
                                 SleepRecorder().clock());
  ASSERT_FALSE(placed.ok());
  EXPECT_EQ(placed.error().kind(), StubError::Kind::internal);
  EXPECT_EQ(placed.error().text(), "downloaded and verified, but no writable final path near " +
                                       text::path_to_utf8(dir.path() / "Setup.exe"));
  EXPECT_EQ(read_file(dir.path() / "Setup.exe.download"), "new");
}

TEST(CachePrune, RemovesOtherVersionFoldersOnly) {
  TempDir dir;
  fs::create_directories(dir.path() / "1.9.0" / "sub");
  write_file(dir.path() / "1.9.0" / "sub" / "Setup.exe", "x");
  fs::create_directories(dir.path() / "2.0.1");
  write_file(dir.path() / "2.0.1" / "Setup.exe", "x");
  write_file(dir.path() / "notes.txt", "x");
  ASSERT_TRUE(prune_older_in(dir.path(), "2.0.1").ok());
  EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"2.0.1", "notes.txt"}));
  EXPECT_TRUE(fs::exists(dir.path() / "2.0.1" / "Setup.exe"));
}

TEST(CachePrune, MissingRootIsNothingToDo) {
  TempDir dir;
  EXPECT_TRUE(prune_older_in(dir.path() / "absent", "2.0.1").ok());
  EXPECT_FALSE(fs::exists(dir.path() / "absent"));
}

}  // namespace
}  // namespace corvald::cache
