// The cache's lines as support reads them in the log file, word for word.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/test/sleep_recorder.hpp"
#include "cache/cache.hpp"
#include "cache/cache_test_support.hpp"
#include "logfile/test/log_capture.hpp"
#include "text/path_text.hpp"

namespace corvald::cache {
namespace {

using testing::lookup_in;

namespace fs = std::filesystem;
using corvald::testing::SleepRecorder;
using logfile::testing::LogCapture;
using logfile::testing::TempDir;
using logfile::testing::write_file;
using ::testing::ElementsAre;
using ::testing::StartsWith;

using testing::kAbcSha;
constexpr char kAbdSha[] =
    "GphAwnpc8i2rBgzdioPaKw+8sa61LU+dOJS2OQg+IFpas/avrushuOmbXg/pPar6q+7ydNpdbq3MnbNuW29kxA==";

std::string utf8(const fs::path& path) { return text::path_to_utf8(path); }

TEST(CacheLogLines, RejectionsTempFallbackVerificationAndPromotion) {
  LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  TempDir dir;
  const feed::Feed feed{"2.0.1", "https://cdn.example/rel/Setup.exe", kAbcSha, std::nullopt, 3};
  const fs::path final_path = dir.path() / "2.0.1" / "Setup.exe";
  const fs::path first_temp = dir.path() / "2.0.1" / "Setup.exe.download";
  fs::create_directories(first_temp / "in-the-way");
  write_file(first_temp / "in-the-way" / "x", "x");

  write_file(final_path, "abcd");
  ASSERT_EQ(lookup_in(dir.path(), feed)->kind, CacheLookup::Kind::miss);
  write_file(final_path, "abd");
  ASSERT_EQ(lookup_in(dir.path(), feed)->kind, CacheLookup::Kind::miss);

  const auto temp = select_temp_path(final_path);
  ASSERT_TRUE(temp.ok()) << temp.error().display();
  write_file(fs::path(*temp), "abc");
  ASSERT_TRUE(verify_download(*temp, feed, "worker", kAbcSha).ok());
  const auto placed = promote_download(*temp, final_path, "worker", SleepRecorder().clock());
  ASSERT_TRUE(placed.ok()) << placed.error().display();

  EXPECT_THAT(log.messages(),
              ElementsAre("  cache REJECTED " + utf8(final_path) +
                              " version=2.0.1 size expected=3 actual=4",
                          "  cache REJECTED " + utf8(final_path) +
                              " version=2.0.1 sha512 expected=" + kAbcSha + " actual=" + kAbdSha,
                          StartsWith("  temp path " + utf8(first_temp) + " unusable: io error: "),
                          "  temp path " + utf8(first_temp) + " unusable, downloading to " +
                              utf8(first_temp) + ".1 instead",
                          "[worker] verify OK on " + utf8(first_temp) + ".1",
                          "[worker] promoted to final path " + utf8(final_path)));
}

}  // namespace
}  // namespace corvald::cache
