#include "download/download.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <utility>

#include "download/download_test_support.hpp"
#include "logfile/test/log_capture.hpp"
#include "platform/file.hpp"
#include "text/path_text.hpp"

namespace corvald::download {
namespace {

using namespace testing;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DownloadOnDisk : public DownloadFixture {};

// POSIX lets a second handle write the temporary file, which Windows refuses while the
// transfer holds it. A byte changed there after its range was written, but before the ranges
// ahead of it were in, must be in the digest: the digest is of the file, not of what arrived.
TEST_F(DownloadOnDisk, ByteChangedAfterItsRangeWasWrittenFailsTheAttempt) {
  offer(kOutOfOrderSize);
  auto gate = std::make_shared<net::test::Gate>();
  serve_out_of_order(*session_, body_, gate);
  bool changed_once = false;
  progress_fn_ = [&](std::uint64_t done, std::uint64_t) {
    if (done != kOutOfOrderHeldAt || std::exchange(changed_once, true)) return;
    auto stray = platform::File::open_for_write(temp_);
    ASSERT_TRUE(stray);
    const char changed = static_cast<char>(body_[(13 << 20) + 5] ^ 0x20);
    ASSERT_TRUE(stray->write_at((13 << 20) + 5, &changed, 1));
    gate->open();
  };
  FakeClock clock(10ms);

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(read_file(final_), body_);
  EXPECT_THAT(recorded_.event_names(),
              ElementsAre("download_completed", "download_attempt_failed", "download_completed",
                          "download_retried_succeeded"));
  EXPECT_THAT(recorded_.lines, Contains(HasSubstr("[worker] attempt 1 failed: verify failed")));
}

// POSIX lets the temporary file go while the attempt's handles stay open on it: the bytes land
// and hash, and the verification finds no file to open. The attempt's line in the log stays
// word for word; the next one names the file, the step and the code.
TEST(DownloadLog, AVerificationThatCannotOpenTheFileNamesItOnTheNextLine) {
  logfile::testing::LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  auto session = std::make_shared<net::test::ScriptedSession>();
  ScratchDir dir;
  const std::filesystem::path final_path = dir.path() / "Setup-2.4.0.exe";
  const std::filesystem::path temp = dir.path() / "Setup-2.4.0.exe.download";
  const std::string body = installer_bytes(1000);
  const feed::Feed feed{"2.4.0",
                        "http://127.0.0.1:18080/release/Setup-2.4.0.exe",
                        sha512_of(dir.path(), body),
                        {},
                        body.size()};
  auto first = std::make_shared<std::atomic<bool>>(true);
  session->set_handler(
      [temp, body,
       first](const net::test::RecordedRequest&) -> std::optional<net::test::ScriptedReply> {
        if (first->exchange(false)) std::filesystem::remove(temp);
        return net::test::ScriptedReply::with_body(body, 206);
      });
  FakeClock clock(10ms);
  const CancelFlag cancel;
  const auto placed = download_and_verify(
      net::HttpClient(session), feed, final_path, cancel, [](std::uint64_t, std::uint64_t) {},
      "worker", nullptr, clock.clock());
  ASSERT_TRUE(placed.ok()) << placed.error().display();

  const auto lines = log.messages();
  const auto failed =
      std::find(lines.begin(), lines.end(),
                "[worker] attempt 1 failed: io error: " + std::generic_category().message(ENOENT) +
                    "; will retry whole download");
  ASSERT_GE(lines.end() - failed, 3) << ::testing::PrintToString(lines);
  EXPECT_EQ(failed[1], "[worker] where: open for reading " + text::path_to_utf8(temp) +
                           " <- verify the downloaded installer (system error " +
                           std::to_string(ENOENT) + ")");
  EXPECT_EQ(failed[2], "[worker] download attempt 2/3 → " + text::path_to_utf8(temp) +
                           " (final: " + text::path_to_utf8(final_path) + ")");
}

}  // namespace
}  // namespace corvald::download
