// The download engine under Wine against the devserver of the download_devserver fixture: a
// release of 20 MiB and 12,345 bytes (a probe, two full ranges and a short last one) fetched
// through WinHTTP while the server caps, cuts or misleads. Every case must end with the
// release's own bytes at the returned path, or with nothing left behind.
#include "download/download.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "devserver_port.hpp"
#include "feed/parse_feed.hpp"
#include "file_bytes.hpp"
#include "net/http_client.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;

constexpr char release_name[] = "Corvald-Tavrin-Setup-1.5.0.exe";
constexpr char checkupdate[] = "/api/voice-realtime/checkupdate/win-x64/";
// Every fault this file uses, cleared after each case so the next one starts from a plain server.
constexpr char clear_faults[] =
    "/__control/set?rate=&drop_after=&drop_mode=&ignore_range=&html=&wrong_digest=&stall_ms=";

// The fixture folder as Wine sees it: the Linux root is drive Z:.
fs::path fixture_folder() {
  const char* dir = std::getenv("CORVALD_DEVSERVER_DIR");
  return fs::path("Z:" + std::string(dir ? dir : ""));
}

class DownloadE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = devserver_base_url();
    ASSERT_FALSE(base_.empty()) << "CORVALD_DEVSERVER_DIR names no running devserver";
    auto opened = net::HttpClient::open(net::stub_user_agent());
    ASSERT_TRUE(opened.ok()) << opened.error().display();
    client_.emplace(std::move(opened.value()));
    control(clear_faults);
    source_ = e2e::file_bytes(fixture_folder() / "release" / release_name);
    ASSERT_EQ(source_.size(), 20u * 1024 * 1024 + 12345);

    folder_ = fs::temp_directory_path() /
              ("corvald-download-e2e-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "cache");
    final_ = folder_ / "cache" / release_name;
  }

  void TearDown() override {
    if (client_) control(clear_faults);
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  void control(const std::string& target) {
    auto reply = client_->post(base_ + target, {}, "");
    ASSERT_TRUE(reply.ok()) << target << ": " << reply.error().display();
    ASSERT_EQ(reply->status, 200u) << target << ": " << reply->body_text;
  }

  // The feed as the server announces it now, pointing at the server's own release URL.
  std::optional<feed::Feed> announced_feed() {
    auto response = client_->get(base_ + checkupdate + "last.yml", {});
    EXPECT_TRUE(response.ok()) << response.error().display();
    if (!response.ok()) return std::nullopt;
    auto body = std::move(response.value()).read_to_end(1 << 16);
    EXPECT_TRUE(body.ok());
    if (!body.ok()) return std::nullopt;
    auto parsed = feed::parse_feed(*body, base_ + checkupdate);
    EXPECT_TRUE(parsed.ok()) << parsed.error().display() << "\n" << *body;
    if (!parsed.ok()) return std::nullopt;
    parsed->url = base_ + checkupdate + release_name;
    return std::move(parsed.value());
  }

  Result<Path> download() {
    const auto feed = announced_feed();
    if (!feed) return StubError::internal("no feed");
    EXPECT_EQ(feed->size, source_.size());
    progress_.clear();
    return download::download_and_verify(
        *client_, *feed, final_, cancel_,
        [this](std::uint64_t done, std::uint64_t total) { progress_.emplace_back(done, total); },
        "worker", nullptr);
  }

  void expect_release_at(const Result<Path>& result) {
    ASSERT_TRUE(result.ok()) << result.error().display();
    EXPECT_EQ(result.value(), final_);
    // Compared whole, not by digest: a test of the engine should not lean on its own check.
    const std::string got = e2e::file_bytes(fs::path(result.value()));
    ASSERT_EQ(got.size(), source_.size());
    EXPECT_TRUE(got == source_) << "the downloaded bytes differ from the release";
    ASSERT_FALSE(progress_.empty());
    EXPECT_EQ(progress_.back(),
              std::make_pair(std::uint64_t{source_.size()}, std::uint64_t{source_.size()}));
    for (const auto& [done, total] : progress_) {
      EXPECT_EQ(total, source_.size());
      EXPECT_LE(done, total);
    }
  }

  // Only the promoted installer may stay: no temporary file of any attempt.
  std::vector<std::string> cache_files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / "cache")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string base_;
  std::optional<net::HttpClient> client_;
  std::string source_;
  fs::path folder_;
  fs::path final_;
  CancelFlag cancel_;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress_;
};

TEST_F(DownloadE2eTest, PlainServerGivesTheReleaseBytes) {
  expect_release_at(download());
  EXPECT_EQ(cache_files(), std::vector<std::string>{release_name});
}

TEST_F(DownloadE2eTest, CappedConnectionsStillGiveTheReleaseBytes) {
  // 4 MiB/s per connection: about 1 s of probe, then the two full ranges side by side in 2 s.
  control("/__control/set?rate=4194304");
  expect_release_at(download());
}

TEST_F(DownloadE2eTest, ConnectionCutOnceIsResumedWhereItStopped) {
  // The probe is cut after 1 MiB and its second try asks only for the rest.
  control("/__control/set?drop_after=1048576&drop_mode=once");
  expect_release_at(download());
}

TEST_F(DownloadE2eTest, EveryAnswerCutStillCompletesThroughResumedTries) {
  // 3 MiB per answer: an 8 MiB range needs all three of its tries (3 + 3 + 2 MiB), so a try
  // that started over instead of resuming would run out of tries.
  control("/__control/set?drop_after=3145728&drop_mode=always");
  expect_release_at(download());
  EXPECT_EQ(cache_files(), std::vector<std::string>{release_name});
}

TEST_F(DownloadE2eTest, ServerIgnoringRangesIsDownloadedOverOneConnection) {
  control("/__control/set?ignore_range=1");
  expect_release_at(download());
}

TEST_F(DownloadE2eTest, WrongDigestFailsVerificationAndLeavesNothing) {
  control("/__control/set?wrong_digest=1");
  const auto result = download();
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind(), StubError::Kind::verify) << result.error().display();
  EXPECT_FALSE(fs::exists(final_));
  EXPECT_TRUE(cache_files().empty());
}

}  // namespace
}  // namespace corvald
