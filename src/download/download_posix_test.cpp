#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>

#include "download/download_test_support.hpp"
#include "platform/file.hpp"

namespace corvald::download {
namespace {

using namespace testing;
using ::testing::ElementsAre;
using ::testing::Contains;
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

}  // namespace
}  // namespace corvald::download
