#include "download/download.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "download/download_internal.hpp"
#include "download/download_test_support.hpp"

namespace corvald::download {
namespace {

using namespace testing;
using net::test::ScriptedReply;
using net::test::ScriptedSession;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

constexpr std::uint64_t MiB = 1024 * 1024;

std::optional<telemetry::PropertyValue> property(const telemetry::TelemetryEvent& event,
                                                 std::string_view key) {
  for (const auto& p : event.properties()) {
    if (p.key == key) return p.value;
  }
  return std::nullopt;
}

std::uint64_t u64(const telemetry::TelemetryEvent& event, std::string_view key) {
  const auto value = property(event, key);
  return value ? std::get<std::uint64_t>(*value) : ~0ull;
}

std::string text_of(const telemetry::TelemetryEvent& event, std::string_view key) {
  const auto value = property(event, key);
  return value ? std::get<std::string>(*value) : "<absent>";
}

class DownloadTest : public DownloadFixture {};

TEST_F(DownloadTest, SmallInstallerComesWithTheProbeAlone) {
  offer(3 * MiB);
  FakeClock clock(10ms);

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(*result, final_);
  EXPECT_EQ(read_file(final_), body_);
  EXPECT_FALSE(std::filesystem::exists(temp_));
  const auto sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].header("Range"), "bytes=0-3145727");
  ASSERT_THAT(recorded_.event_names(), ElementsAre("download_completed"));
  const auto& done = recorded_.events[0];
  EXPECT_EQ(text_of(done, "target_version"), "2.4.0");
  EXPECT_EQ(u64(done, "size"), 3 * MiB);
  EXPECT_EQ(u64(done, "chunks"), 1u);
  EXPECT_EQ(u64(done, "effective_parallelism"), 1u);
  EXPECT_THAT(recorded_.lines, Contains(HasSubstr("[worker] parallel done: probe ")));
  EXPECT_THAT(recorded_.lines, Contains(HasSubstr(" N=1 chunks=1 retries=0")));
  EXPECT_EQ(progress_.back(), std::make_pair(3 * MiB, 3 * MiB));
}

// The fake clock makes every reading 1 s (slow line) or 10 ms (fast line) after the last,
// so the probe of 4 MiB seems to take that long.
TEST_F(DownloadTest, ProbeThroughputChoosesTheNumberOfWorkers) {
  for (const auto& [step, workers] :
       {std::pair{1000ms, 6u}, std::pair{100ms, 4u}, std::pair{10ms, 2u}}) {
    SCOPED_TRACE(workers);
    ScratchDir dir;
    final_ = dir.path() / "corvald-setup-2.4.0.exe";
    session_ = std::make_shared<ScriptedSession>();
    client_ = net::HttpClient(session_);
    recorded_.events.clear();
    offer(20 * MiB);
    FakeClock clock(step);

    auto result = run(clock);

    ASSERT_TRUE(result) << result.error().display();
    EXPECT_EQ(read_file(final_), body_);
    // The probe and two ranges; the idle workers leave without asking for anything.
    std::vector<std::string> ranges;
    for (const auto& r : requests()) ranges.push_back(r.header("Range").value_or("none"));
    EXPECT_THAT(ranges, UnorderedElementsAre("bytes=0-4194303", "bytes=4194304-12582911",
                                             "bytes=12582912-20971519"));
    ASSERT_THAT(recorded_.event_names(), ElementsAre("download_completed"));
    EXPECT_EQ(u64(recorded_.events[0], "chunks"), 2u);
    EXPECT_EQ(u64(recorded_.events[0], "effective_parallelism"), workers);
    EXPECT_EQ(session_->open_bodies(), 0u);
  }
}

TEST_F(DownloadTest, ServerIgnoringRangesIsServedByOneConnection) {
  offer(5 * MiB, /*ignore_range=*/true);
  FakeClock clock(300ms);

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(read_file(final_), body_);
  EXPECT_EQ(clock.waits(), (std::vector{500ms, 2000ms}));
  const auto sent = requests();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_FALSE(sent[3].header("Range"));
  ASSERT_THAT(recorded_.event_names(),
              ElementsAre("download_failed_fell_back", "download_completed_via_fallback"));
  EXPECT_EQ(text_of(recorded_.events[0], "error"),
            "server returned 200 for Range request (Range ignored)");
  EXPECT_EQ(u64(recorded_.events[1], "size"), 5 * MiB);
  // Progress during the body (the clock makes every piece 300 ms later) and at its end.
  EXPECT_GT(progress_.size(), 2u);
  EXPECT_EQ(progress_.back(), std::make_pair(5 * MiB, 5 * MiB));
}

TEST_F(DownloadTest, DroppedConnectionResumesFromTheFirstMissingByte) {
  offer(3 * MiB);
  ScriptedReply dropped = ScriptedReply::with_body(body_, 206);
  dropped.fail_at_byte = MiB + 17;
  session_->push(std::move(dropped));
  FakeClock clock(10ms);

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(read_file(final_), body_);
  const auto sent = requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].header("Range"), "bytes=1048593-3145727");
  ASSERT_THAT(recorded_.event_names(), ElementsAre("download_completed"));
  EXPECT_EQ(u64(recorded_.events[0], "retries"), 1u);
  EXPECT_EQ(clock.waits(), (std::vector{500ms}));
}

// The digest taken during the transfer is the one verification compares: a hasher that took
// ranges in the order they completed, counted a resumed range from where it resumed or read
// a server's surplus would fail the first attempt.
TEST_F(DownloadTest, DigestTakenDuringTheTransferMatchesTheFinishedFile) {
  offer(kOutOfOrderSize);
  auto gate = std::make_shared<net::test::Gate>();
  serve_out_of_order(*session_, body_, gate);
  progress_fn_ = [&](std::uint64_t done, std::uint64_t) {
    if (done == kOutOfOrderHeldAt) gate->open();
  };
  FakeClock clock(10ms);

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(read_file(final_), body_);
  ASSERT_THAT(recorded_.event_names(), ElementsAre("download_completed"));
  EXPECT_EQ(u64(recorded_.events[0], "effective_parallelism"), 2u);
  EXPECT_EQ(u64(recorded_.events[0], "retries"), 1u);
}

TEST_F(DownloadTest, ZeroSizeGoesStraightToOneConnection) {
  offer(0);
  FakeClock clock;

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(std::filesystem::file_size(final_), 0u);
  ASSERT_EQ(requests().size(), 1u);
  EXPECT_THAT(recorded_.event_names(),
              ElementsAre("download_failed_fell_back", "download_completed_via_fallback"));
  EXPECT_EQ(text_of(recorded_.events[0], "error"), "total_size is 0");
}

// A feed size of 0 only an empty body can match; a longer one is cut off at its first byte.
TEST_F(DownloadTest, ZeroSizeFeedStopsABodyAtItsFirstByte) {
  offer(0);
  serve_installer(*session_, std::string(MiB, 'x'), /*ignore_range=*/true);
  FakeClock clock;

  auto result = run(clock);

  ASSERT_FALSE(result);
  EXPECT_THAT(result.error().display(), HasSubstr("exceeded the expected size"));
  EXPECT_FALSE(std::filesystem::exists(final_));
}

TEST_F(DownloadTest, DigestThatNeverMatchesUsesAllAttempts) {
  offer(MiB);
  feed_.sha512 = sha512_of(dir_.path(), "something else entirely");
  FakeClock clock;

  auto result = run(clock);

  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::verify);
  EXPECT_THAT(
      recorded_.event_names(),
      ElementsAre("download_completed", "download_attempt_failed", "download_completed",
                  "download_attempt_failed", "download_completed", "download_attempt_failed"));
  EXPECT_EQ(u64(recorded_.events[5], "attempt"), 3u);
  EXPECT_EQ(clock.waits(), (std::vector{2000ms, 2000ms}));
  EXPECT_THAT(recorded_.lines.back(), HasSubstr("[worker] attempt 3 failed: verify failed"));
  EXPECT_THAT(recorded_.lines.back(), HasSubstr("; no attempts left"));
  EXPECT_EQ(std::count_if(recorded_.lines.begin(), recorded_.lines.end(),
                          [](const std::string& line) {
                            return line.ends_with("; will retry whole download");
                          }),
            2);
  EXPECT_FALSE(std::filesystem::exists(final_));
  EXPECT_FALSE(std::filesystem::exists(temp_));
}

TEST_F(DownloadTest, SecondAttemptSucceedsAfterEverythingFailedOnce) {
  offer(MiB);
  // The probe's three tries and the fallback of the first attempt meet a broken server.
  for (int i = 0; i < 4; ++i) session_->push(ScriptedReply::with_body("busy", 503));
  FakeClock clock;

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(read_file(final_), body_);
  EXPECT_THAT(recorded_.event_names(),
              ElementsAre("download_failed_fell_back", "download_failed", "download_attempt_failed",
                          "download_completed", "download_retried_succeeded"));
  EXPECT_EQ(u64(recorded_.events[4], "attempt"), 2u);
  EXPECT_EQ(clock.waits(), (std::vector{500ms, 2000ms, 2000ms}));
}

TEST_F(DownloadTest, WorkerThatThrowsFailsTheTransferNotTheProcess) {
  offer(12 * MiB);
  auto body_ptr = std::make_shared<const std::string>(body_);
  session_->set_handler(
      [body_ptr](const net::test::RecordedRequest& r) -> std::optional<ScriptedReply> {
        const std::string& body = *body_ptr;
        const auto range = parse_range(r.header("Range"));
        if (!range) return ScriptedReply::with_body(body, 200);
        if (range->first > 0) throw std::runtime_error("boom");
        return ScriptedReply::with_body(body.substr(0, range->last + 1), 206);
      });
  FakeClock clock(10ms);

  auto result = run(clock);

  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(read_file(final_), body_);
  ASSERT_THAT(recorded_.event_names(),
              ElementsAre("download_failed_fell_back", "download_completed_via_fallback"));
  EXPECT_EQ(text_of(recorded_.events[0], "error"), "download worker panicked");
}

TEST_F(DownloadTest, CancelDuringParallelTransferRemovesTheTempFile) {
  offer(20 * MiB);
  auto body_ptr = std::make_shared<const std::string>(body_);
  auto gate = std::make_shared<net::test::Gate>();
  session_->set_handler(
      [body_ptr, gate](const net::test::RecordedRequest& r) -> std::optional<ScriptedReply> {
        const std::string& body = *body_ptr;
        const auto range = parse_range(r.header("Range"));
        if (!range) return ScriptedReply::with_body(body, 200);
        auto reply = ScriptedReply::with_body(
            body.substr(range->first, range->last - range->first + 1), 206);
        if (range->first > 0) {
          reply.stall = gate;
          reply.stall_at_byte = 64 * 1024;
        }
        return reply;
      });
  std::thread canceller([&] {
    gate->wait_for_arrivals(2);
    cancel_.cancel();
    gate->open();
  });
  FakeClock clock(1000ms);

  auto result = run(clock);
  canceller.join();

  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::cancelled);
  EXPECT_FALSE(std::filesystem::exists(temp_));
  EXPECT_FALSE(std::filesystem::exists(final_));
  for (const auto& r : requests()) EXPECT_TRUE(r.header("Range")) << "no fallback after cancel";
  EXPECT_TRUE(recorded_.events.empty() ||
              recorded_.event_names() == std::vector<std::string>{"download_completed"});
  EXPECT_EQ(session_->open_bodies(), 0u);
}

TEST_F(DownloadTest, CancelDuringFallbackIsSeenBeforeVerification) {
  offer(2 * MiB, /*ignore_range=*/true);
  progress_fn_ = [this](std::uint64_t done, std::uint64_t total) {
    progress_.emplace_back(done, total);
    cancel_.cancel();
  };
  FakeClock clock(300ms);

  auto result = run(clock);

  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::cancelled);
  // The one connection ran to its end although the cancel came with its first report.
  EXPECT_EQ(progress_.back(), std::make_pair(2 * MiB, 2 * MiB));
  EXPECT_THAT(recorded_.event_names(),
              ElementsAre("download_failed_fell_back", "download_completed_via_fallback"));
  EXPECT_FALSE(std::filesystem::exists(temp_));
  EXPECT_FALSE(std::filesystem::exists(final_));
}

// The attempt's watcher copies the flag only at its next poll; a cancel it has not seen yet
// when the parallel transfer fails must still keep the fallback from starting.
TEST_F(DownloadTest, CancelNotYetSeenByTheWatcherStillPreventsTheFallback) {
  offer(2 * MiB);
  session_->set_handler([this](const net::test::RecordedRequest&) -> std::optional<ScriptedReply> {
    cancel_.cancel();
    return ScriptedReply::with_body(body_, 200);  // a full body: the probe fails
  });
  FakeClock fake;
  Clock clock = fake.clock();
  const auto fake_sleep = clock.sleep;
  clock.sleep = [fake_sleep](std::chrono::milliseconds wait) {
    if (wait == kWatcherPoll)
      std::this_thread::sleep_for(100ms);
    else
      fake_sleep(wait);
  };

  auto result = download_with_reporter(client_, feed_, final_, cancel_, progress_fn_, "worker",
                                       reporter_, clock);

  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::cancelled);
  for (const auto& r : requests()) EXPECT_TRUE(r.header("Range")) << "no fallback after cancel";
}

TEST_F(DownloadTest, CancelBeforeTheFirstAttemptSendsNothing) {
  offer(MiB);
  cancel_.cancel();

  auto result = download_and_verify(client_, feed_, final_, cancel_, progress_fn_, "silent",
                                    nullptr, FakeClock().clock());

  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::cancelled);
  EXPECT_EQ(session_->request_count(), 0u);
}

}  // namespace
}  // namespace corvald::download
