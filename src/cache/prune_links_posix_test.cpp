#include <gtest/gtest.h>

#include "cache/cache.hpp"
#include "logfile/test/log_test_support.hpp"

namespace corvald::cache {
namespace {

namespace fs = std::filesystem;
using logfile::testing::TempDir;
using logfile::testing::write_file;

// A link in the cache may point at any folder of the user's; pruning removes the link and
// must never empty what it points to, whether the link sits in the root or deeper down.
TEST(CachePruneLinks, LinksAreRemovedAsLinksAndTheirTargetsStay) {
  TempDir dir;
  const auto root = dir.path() / "Cache";
  const auto precious = dir.path() / "Documents";
  fs::create_directories(precious / "deep");
  write_file(precious / "deep" / "thesis.txt", "years of work");
  write_file(dir.path() / "notes.txt", "mine");

  fs::create_directories(root / "1.9.0");
  fs::create_directories(root / "2.0.1");
  fs::create_directory_symlink(precious, root / "1.8.0");
  fs::create_directory_symlink(precious, root / "1.9.0" / "inner");
  fs::create_symlink(dir.path() / "notes.txt", root / "1.9.0" / "notes-link.txt");

  ASSERT_TRUE(prune_older_in(root, "2.0.1").ok());
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "1.8.0")));
  EXPECT_FALSE(fs::exists(root / "1.9.0"));
  EXPECT_TRUE(fs::exists(root / "2.0.1"));
  EXPECT_EQ(logfile::testing::read_file(precious / "deep" / "thesis.txt"), "years of work");
  EXPECT_EQ(logfile::testing::read_file(dir.path() / "notes.txt"), "mine");
}

}  // namespace
}  // namespace corvald::cache
