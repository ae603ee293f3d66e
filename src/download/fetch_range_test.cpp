#include "download/fetch_range.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "download/download_test_support.hpp"

namespace corvald::download {
namespace {

using namespace testing;
using net::test::ScriptedReply;
using net::test::ScriptedSession;

constexpr std::string_view kUrl = "http://127.0.0.1:18080/release/corvald-setup.exe";

class FetchRangeTest : public ::testing::Test {
 protected:
  void SetUp() override { write_file(temp_, std::string(1024, 'x')); }

  Result<void> fetch(std::uint64_t first, std::uint64_t last) {
    auto file = platform::File::open_for_write(temp_);
    if (!file) return std::move(file).error();
    return fetch_range(client_, kUrl, {}, *file, first, last, state_, clock_.clock());
  }

  std::shared_ptr<ScriptedSession> session_ = std::make_shared<ScriptedSession>();
  net::HttpClient client_{session_};
  ScratchDir dir_;
  std::filesystem::path temp_ = dir_.path() / "setup.exe.download";
  AttemptState state_;
  FakeClock clock_;
};

TEST_F(FetchRangeTest, SurplusBytesOfA206NeverSpillIntoTheNextRange) {
  session_->push(ScriptedReply::with_body(std::string(300, 'a'), 206));

  ASSERT_TRUE(fetch(100, 199));

  const std::string file = read_file(temp_);
  EXPECT_EQ(file.substr(0, 100), std::string(100, 'x'));
  EXPECT_EQ(file.substr(100, 100), std::string(100, 'a'));
  EXPECT_EQ(file.substr(200), std::string(824, 'x'));
  EXPECT_EQ(state_.downloaded.load(), 100u);
  EXPECT_EQ(session_->requests()[0].header("Range"), "bytes=100-199");
}

TEST_F(FetchRangeTest, UnacceptableAnswersAreRetriedThenReported) {
  session_->set_handler([](const net::test::RecordedRequest&) {
    return std::optional(ScriptedReply::with_body("whole file", 200));
  });
  auto ignored = fetch(0, 9);
  ASSERT_FALSE(ignored);
  EXPECT_EQ(ignored.error().kind(), StubError::Kind::internal);
  EXPECT_EQ(ignored.error().text(), "server returned 200 for Range request (Range ignored)");
  EXPECT_EQ(session_->request_count(), 3u);
  EXPECT_EQ(state_.retries.load(), 2u);
  EXPECT_EQ(clock_.waits(), (std::vector{500ms, 2000ms}));

  session_->set_handler([](const net::test::RecordedRequest&) {
    return std::optional(ScriptedReply::with_body("gone", 404));
  });
  auto missing = fetch(0, 9);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().kind(), StubError::Kind::http);
  EXPECT_EQ(missing.error().status(), 404u);
  EXPECT_EQ(session_->open_bodies(), 0u);
}

TEST_F(FetchRangeTest, PortalPageIsCaughtOnlyWhereTheFileBegins) {
  const std::string page = "<!DOCTYPE html><html>Sign in to the hotel Wi-Fi</html>";
  session_->set_handler([&](const net::test::RecordedRequest&) {
    return std::optional(ScriptedReply::with_body(page, 206));
  });

  auto at_start = fetch(0, page.size() - 1);
  ASSERT_FALSE(at_start);
  EXPECT_EQ(at_start.error().kind(), StubError::Kind::parse);
  EXPECT_EQ(state_.downloaded.load(), 0u);

  // Later ranges are arbitrary installer bytes; a '<' there means nothing.
  EXPECT_TRUE(fetch(200, 200 + page.size() - 1));
}

TEST_F(FetchRangeTest, ShortBodiesResumeAndFinallyReportWhatArrived) {
  // Each try delivers 10 bytes and ends; the range needs 40.
  session_->set_handler([](const net::test::RecordedRequest&) {
    return std::optional(ScriptedReply::with_body("MZ34567890", 206));
  });

  auto result = fetch(0, 39);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::network);
  EXPECT_EQ(result.error().text(), "range 20-39 ended early: got 10 of 20 bytes");
  const auto requests = session_->requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].header("Range"), "bytes=10-39");
  EXPECT_EQ(requests[2].header("Range"), "bytes=20-39");
  EXPECT_EQ(state_.downloaded.load(), 30u);
  EXPECT_EQ(read_file(temp_).substr(0, 30), "MZ34567890MZ34567890MZ34567890");
}

TEST_F(FetchRangeTest, CancellationEndsAtTheNextPieceWithoutRetrying) {
  auto gate = std::make_shared<net::test::Gate>();
  ScriptedReply reply = ScriptedReply::with_body(installer_bytes(512 * 1024), 206);
  reply.pieces = {1000, 1000};
  reply.stall = gate;
  reply.stall_at_byte = 1000;
  session_->push(std::move(reply));

  std::thread canceller([&] {
    gate->wait_for_arrivals(1);
    state_.cancelled.store(true);
    gate->open();
  });
  auto result = fetch(0, 512 * 1024 - 1);
  canceller.join();

  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::cancelled);
  EXPECT_EQ(state_.downloaded.load(), 2000u);
  EXPECT_EQ(state_.retries.load(), 0u);
  EXPECT_EQ(session_->request_count(), 1u);
}

}  // namespace
}  // namespace corvald::download
