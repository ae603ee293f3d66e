// A virus scanner's hold on the cache's files, played by a program of its own (file_holder.exe
// beside the test program): another process, with the share mode a scanner uses, for a set
// time, so the stub's waits meet what they are for.
#include "platform/windows.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "cache/cache.hpp"
#include "cache/cache_test_support.hpp"
#include "logfile/test/log_capture.hpp"
#include "logfile/test/log_test_support.hpp"
#include "platform/child_process.hpp"
#include "platform/file_error.hpp"
#include "platform/process.hpp"
#include "text/format.hpp"
#include "text/path_text.hpp"

namespace corvald::cache {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using logfile::testing::read_file;
using logfile::testing::TempDir;
using logfile::testing::write_file;
using ::testing::Contains;
using ::testing::HasSubstr;

using testing::kAbcSha;

// The holder, started and waited for; the test goes on once the file is held.
class Scanner {
 public:
  Scanner(const fs::path& file, std::chrono::milliseconds hold, DWORD share, const fs::path& dir) {
    const fs::path ready = dir / "scanner-ready";
    auto started =
        platform::start_process(platform::current_exe_path()->parent_path() / "file_holder.exe",
                                {text::path_to_utf8(file), std::to_string(hold.count()),
                                 std::to_string(share), text::path_to_utf8(ready)},
                                std::nullopt, false);
    if (!started) return;
    process_.emplace(std::move(started).value());
    for (int i = 0; i < 1000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(10ms);
    holding_ = fs::exists(ready);
  }
  ~Scanner() {
    if (process_) (void)process_->wait();
  }

  bool holding() const { return holding_; }

 private:
  std::optional<platform::ChildProcess> process_;
  bool holding_ = false;
};

// A scanner that opened the cached installer without sharing for a second: a plain open meets
// the sharing violation, the lookup waits it out and holds the installer as a hit.
TEST(CacheScannerWin, CachedInstallerHeldBrieflyWithoutSharingIsStillAHit) {
  TempDir dir;
  const auto installer = dir.path() / "2.0.1" / "Setup.exe";
  fs::create_directories(installer.parent_path());
  write_file(installer, "abc");
  const feed::Feed feed{"2.0.1", "https://cdn.example/Setup.exe", kAbcSha, std::nullopt, 3};

  const Scanner scanner(installer, 1000ms, 0, dir.path());
  ASSERT_TRUE(scanner.holding());
  auto once = platform::File::open_for_read_held(installer);
  ASSERT_FALSE(once.ok()) << "the scanner's hold did not take effect";
  EXPECT_TRUE(platform::is_sharing_violation(once.error())) << once.error().context_text();

  auto lookup = testing::lookup_in(dir.path(), feed);
  ASSERT_TRUE(lookup.ok()) << lookup.error().display() << " " << lookup.error().context_text();
  EXPECT_EQ(lookup->kind, CacheLookup::Kind::hit);
  ASSERT_TRUE(lookup->held.has_value());
  EXPECT_EQ(read_file(installer), "abc");
}

// A scanner that holds the finished download, sharing only reading, through the promotion:
// the promotion copies it into place and cannot delete it (the one-shot cleanup says so), and
// the sweep at the end of the run keeps trying until the scanner lets go.
TEST(CacheScannerWin, DownloadHeldThroughThePromotionIsGoneAfterTheSweep) {
  TempDir dir;
  const auto final_path = dir.path() / "Setup.exe";
  const auto temp = dir.path() / "Setup.exe.download";
  write_file(temp, "abc");
  logfile::testing::LogCapture capture;
  ASSERT_TRUE(capture.installed_ok());

  const Scanner scanner(temp, 3500ms, FILE_SHARE_READ, dir.path());
  ASSERT_TRUE(scanner.holding());
  auto placed = promote_download(temp, final_path, "dl");
  ASSERT_TRUE(placed.ok()) << placed.error().display();
  EXPECT_EQ(*placed, final_path);
  ASSERT_TRUE(fs::exists(temp)) << "the scanner's hold did not keep the leftover";
  EXPECT_THAT(capture.messages(),
              Contains(HasSubstr(
                  text::format("  cache leftover temporary file {} not removed: ", Path(temp)))));

  sweep_stale_temps(final_path);
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_EQ(read_file(final_path), "abc");
  EXPECT_THAT(capture.messages(),
              Contains(text::format("  cache removed leftover temporary file {}", Path(temp))));
}

}  // namespace
}  // namespace corvald::cache
