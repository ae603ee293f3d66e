// The download engine's lines as support reads them in the log file, word for word: the
// engine's own and those of the cache steps it runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "download/download.hpp"
#include "download/download_test_support.hpp"
#include "logfile/test/log_capture.hpp"
#include "text/path_text.hpp"

namespace corvald::download {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using logfile::testing::LogCapture;
using ::testing::ElementsAre;

std::string utf8(const fs::path& path) { return text::path_to_utf8(path); }

std::vector<std::string> starting_with(const std::vector<std::string>& lines,
                                       std::string_view prefix) {
  std::vector<std::string> out;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
               [&](const std::string& line) { return line.starts_with(prefix); });
  return out;
}

struct Download {
  std::shared_ptr<net::test::ScriptedSession> session =
      std::make_shared<net::test::ScriptedSession>();
  ScratchDir dir;
  fs::path final_path = dir.path() / "Setup-2.4.0.exe";
  fs::path temp = dir.path() / "Setup-2.4.0.exe.download";
  feed::Feed feed{"2.4.0", "http://127.0.0.1:18080/release/Setup-2.4.0.exe", "", {}, 0};
  FakeClock clock{std::chrono::milliseconds(10)};

  explicit Download(std::size_t size, bool ignore_range) {
    const std::string body = installer_bytes(size);
    feed.size = size;
    feed.sha512 = sha512_of(dir.path(), body);
    serve_installer(*session, body, ignore_range);
  }

  Result<Path> run() {
    const CancelFlag cancel;
    return download_and_verify(
        net::HttpClient(session), feed, final_path, cancel, [](std::uint64_t, std::uint64_t) {},
        "worker", nullptr, clock.clock());
  }
};

TEST(DownloadLogLines, AttemptFallbackVerificationAndPromotion) {
  LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  Download download(1000, /*ignore_range=*/true);
  const auto placed = download.run();
  ASSERT_TRUE(placed.ok()) << placed.error().display();

  EXPECT_THAT(log.messages(),
              ElementsAre("[worker] download attempt 1/3 → " + utf8(download.temp) +
                              " (final: " + utf8(download.final_path) + ")",
                          "[worker] parallel failed: server returned 200 for Range request (Range "
                          "ignored) — falling back to single-conn",
                          "[worker] verify OK on " + utf8(download.temp),
                          "[worker] promoted to final path " + utf8(download.final_path)));
}

// A folder with something in it cannot be deleted as a file, like a temp file another
// process holds open.
TEST(DownloadLogLines, NoUsableTempPathIsSaidForEveryAttempt) {
  LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  Download download(1000, /*ignore_range=*/false);
  for (int k = 0; k < 8; ++k) {
    fs::path blocked = download.temp;
    if (k > 0) blocked += "." + std::to_string(k);
    fs::create_directories(blocked);
    write_file(blocked / "x", "x");
  }
  const auto placed = download.run();
  ASSERT_FALSE(placed.ok());
  const std::string error = "no usable temp path near " + utf8(download.temp);
  EXPECT_EQ(placed.error().display(), error);

  const auto lines = log.messages();
  EXPECT_THAT(starting_with(lines, "[worker]"),
              ElementsAre("[worker] attempt 1/3 found no usable temp path: " + error,
                          "[worker] attempt 2/3 found no usable temp path: " + error,
                          "[worker] attempt 3/3 found no usable temp path: " + error));
  EXPECT_EQ(starting_with(lines, "  temp path ").size(), 3u * 8u);
  EXPECT_TRUE(download.session->requests().empty());
}

}  // namespace
}  // namespace corvald::download
