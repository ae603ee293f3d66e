#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cache/cache.hpp"
#include "logfile/test/log_test_support.hpp"
#include "startup/paths.hpp"
#include "text/format.hpp"

namespace corvald::cache {
namespace {

namespace fs = std::filesystem;
using logfile::testing::TempDir;
using ::testing::HasSubstr;

const feed::Feed kFeed{"2.0.1", "https://cdn.example/Setup.exe", "digest", std::nullopt, 3};

// A link planted at the product folder, the cache root or the version folder would take the
// download and the promotion into the folder it points at; each is refused as an io error
// that names the link, and the folder it points at gets nothing.
TEST(CacheLookupLinks, ALinkAtAnyCacheFolderIsRefusedAndItsTargetStaysEmpty) {
  for (const fs::path relative : {"tavrin", "tavrin/Cache", "tavrin/Cache/2.0.1"}) {
    TempDir dir;
    const auto app_data = dir.path() / "AppData";
    const auto elsewhere = dir.path() / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directories((app_data / relative).parent_path());
    fs::create_directory_symlink(elsewhere, app_data / relative);

    auto result = prepare_cache_slot(cache_dir_under(app_data).value(), kFeed);
    ASSERT_FALSE(result.ok()) << relative;
    EXPECT_EQ(result.error().kind(), StubError::Kind::io);
    EXPECT_THAT(result.error().display(), HasSubstr(text::format("{}", Path(app_data / relative))));
    EXPECT_TRUE(fs::is_empty(elsewhere)) << relative;
  }
}

TEST(CacheLookupLinks, PlainFoldersAreCreatedUnderAFreshLocalAppData) {
  TempDir dir;
  auto result = prepare_cache_slot(cache_dir_under(dir.path() / "AppData").value(), kFeed);
  ASSERT_TRUE(result.ok()) << result.error().display();
  EXPECT_EQ(*result, dir.path() / "AppData" / "tavrin" / "Cache" / "2.0.1" / "Setup.exe");
  EXPECT_TRUE(fs::is_directory(fs::path(result->parent_path())));
}

}  // namespace
}  // namespace corvald::cache
