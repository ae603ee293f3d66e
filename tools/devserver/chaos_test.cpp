// The seeded fault schedule: its draws replay, it reaches every fault, and each fault it
// records is what a client of the running server actually meets.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "chaos_schedule.hpp"
#include "devserver.hpp"
#include "raw_exchange_test_support.hpp"
#include "temp_folder.hpp"

namespace corvald::devserver {
namespace {

constexpr char kFile[] = "/api/voice-realtime/checkupdate/win-x64/Setup-1.4.0.exe";
constexpr char kFeed[] = "/api/voice-realtime/checkupdate/win-x64/last.yml";

TEST(ChaosSchedule, ReplaysWhateverOrderRequestsComeInAndReachesEveryFault) {
  // Two connections asking in a different order get the same fault for the same try.
  const auto faults_by_try = [](const std::vector<std::string>& order) {
    ChaosSchedule schedule(7, 1000);
    std::map<std::pair<std::string, int>, std::string> faults;
    std::map<std::string, int> tries;
    for (const std::string& what : order) {
      faults[{what, ++tries[what]}] = describe(schedule.draw(RequestKind::range, what, 500));
    }
    return faults;
  };
  std::vector<std::string> order;
  for (int i = 0; i < 40; ++i) order.push_back("GET /f bytes=0-" + std::to_string(i % 5 + 5));
  std::vector<std::string> reversed(order.rbegin(), order.rend());
  EXPECT_EQ(faults_by_try(order), faults_by_try(reversed));
  // A range resumed from another byte counts as a further try of the same range.
  ChaosSchedule resumed(7, 1000);
  ChaosSchedule whole(7, 1000);
  for (const char* what : {"GET /f bytes=0-99", "GET /f bytes=40-99", "GET /f bytes=0-99"}) {
    EXPECT_EQ(resumed.draw(RequestKind::range, what, 60).kind,
              whole.draw(RequestKind::range, "GET /f bytes=0-99", 60).kind);
  }

  std::set<FaultKind> ranged;
  std::set<FaultKind> plain;
  std::set<CacheFault> before;
  std::set<std::string> records;
  for (std::uint64_t seed = 0; seed < 400; ++seed) {
    ChaosSchedule schedule(seed, 1000);
    for (int i = 0; i < 3; ++i) {
      ranged.insert(schedule.draw(RequestKind::range, "GET /f bytes=0-999", 1000).kind);
      plain.insert(schedule.draw(RequestKind::whole_file, "GET /f -", 1000).kind);
      plain.insert(schedule.draw(RequestKind::feed, "GET /last.yml -", 100).kind);
    }
    before.insert(schedule.before_run().kind);
    records.insert(schedule.record());
  }
  for (const FaultKind kind : all_fault_kinds()) {
    EXPECT_TRUE(ranged.contains(kind)) << fault_name(kind) << " is never drawn";
  }
  for (const FaultKind kind : {FaultKind::ignore_range, FaultKind::wrong_content_range,
                               FaultKind::shifted_content_range}) {
    EXPECT_FALSE(plain.contains(kind)) << fault_name(kind) << " drawn without a Range";
  }
  EXPECT_EQ(before.size(), 4u);
  EXPECT_GT(records.size(), 300u) << "seeds hardly change the schedule";
}

struct Answer {
  std::string head;  // status line and headers
  std::string body;
  std::chrono::milliseconds took{0};
  int status() const { return head.size() > 12 ? std::stoi(head.substr(9, 3)) : 0; }
  std::string header(const std::string& name) const {
    const auto at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos) return "";
    const auto start = at + name.size() + 4;
    return head.substr(start, head.find("\r\n", start) - start);
  }
};

class ChaosServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < release_.size(); ++i) release_[i] = static_cast<char>(i * 13 % 251);
    const auto dir = folder_.path() / "release";
    std::filesystem::create_directory(dir);
    std::ofstream(dir / "Setup-1.4.0.exe", std::ios::binary) << release_;
    Options options;
    options.release_dir = dir;
    options.release_version = "1.4.0";
    auto created = DevServer::create(options);
    ASSERT_TRUE(created) << created.error();
    server_ = std::move(created.value());
    const auto port = server_->bind(0);
    ASSERT_TRUE(port) << port.error();
    port_ = port.value();
    runner_ = std::thread([this] { server_->run(); });
  }

  void TearDown() override {
    server_->stop();
    runner_.join();
  }

  Answer ask(const std::string& target, const std::string& extra = "") {
    const auto start = std::chrono::steady_clock::now();
    const std::string raw = exchange_raw(
        port_, "GET " + target + " HTTP/1.1\r\nHost: t\r\n" + extra + "Connection: close\r\n\r\n");
    Answer answer;
    answer.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const auto end = raw.find("\r\n\r\n");
    answer.head = raw.substr(0, end);
    if (end != std::string::npos) answer.body = raw.substr(end + 4);
    return answer;
  }

  std::string arm(std::uint64_t seed) {
    return ask_post("/__control/chaos?seed=" + std::to_string(seed));
  }

  std::string ask_post(const std::string& target) {
    const std::string raw = exchange_raw(port_, "POST " + target +
                                                    " HTTP/1.1\r\nHost: t\r\nContent-Length: "
                                                    "0\r\nConnection: close\r\n\r\n");
    return raw.substr(raw.find("\r\n\r\n") + 4);
  }

  std::string release_ = std::string(1000, '\0');
  TempFolder folder_;
  std::unique_ptr<DevServer> server_;
  std::thread runner_;
  int port_ = 0;
};

// For each kind, a seed whose first ranged request meets it, armed on the running server: the
// answer shows exactly the recorded fault and the amount it names.
TEST_F(ChaosServerTest, EachRecordedFaultIsWhatTheClientMeets) {
  const std::string what = std::string("GET ") + kFile + " bytes=0-999";
  for (const FaultKind kind : all_fault_kinds()) {
    std::uint64_t seed = 0;
    const std::string key = replay_key(what);
    while (draw_fault(seed, RequestKind::range, key, 1, 1000).kind != kind) ++seed;
    const Fault fault = draw_fault(seed, RequestKind::range, key, 1, 1000);
    SCOPED_TRACE(describe(fault) + " (seed " + std::to_string(seed) + ")");
    arm(seed);
    const Answer got = ask(kFile, "Range: bytes=0-999\r\n");
    const std::string record = ask(std::string("/__control/chaos")).body;
    EXPECT_EQ(record, "1 " + what + " try 1: " + describe(fault) + "\n");
    const auto n = static_cast<std::size_t>(fault.amount);
    switch (kind) {
      case FaultKind::reset_before_headers: EXPECT_EQ(got.head, ""); break;
      case FaultKind::reset_after_bytes:
        EXPECT_EQ(got.status(), 206);
        EXPECT_LE(got.body.size(), n);
        break;
      case FaultKind::short_body: EXPECT_EQ(got.body, release_.substr(0, n)); break;
      case FaultKind::stall:
      case FaultKind::trickle:
        EXPECT_GE(got.took.count() + 50, static_cast<long>(fault.amount * 9 / 10));
        EXPECT_EQ(got.body, release_);
        break;
      case FaultKind::status_500: EXPECT_EQ(got.status(), 500); break;
      case FaultKind::status_502: EXPECT_EQ(got.status(), 502); break;
      case FaultKind::status_503: EXPECT_EQ(got.status(), 503); break;
      case FaultKind::status_429: EXPECT_EQ(got.status(), 429); break;
      case FaultKind::ignore_range:
        EXPECT_EQ(got.status(), 200);
        EXPECT_EQ(got.header("Content-Range"), "");
        break;
      case FaultKind::wrong_content_range:
        EXPECT_EQ(got.body, release_);
        EXPECT_NE(got.header("Content-Range"), "bytes 0-999/1000");
        break;
      case FaultKind::shifted_content_range: {
        const std::size_t first = std::min<std::size_t>(n, 999);
        EXPECT_EQ(got.header("Content-Range"), "bytes " + std::to_string(first) + "-999/1000");
        EXPECT_EQ(got.body, release_.substr(first));
        break;
      }
      case FaultKind::long_body:
        EXPECT_EQ(got.header("Content-Length"), "1000");
        EXPECT_EQ(got.body.size(), 1000 + n);
        EXPECT_EQ(got.body.substr(0, 1000), release_);
        break;
      case FaultKind::corrupt_byte: {
        ASSERT_EQ(got.body.size(), 1000u);
        std::vector<std::size_t> changed;
        for (std::size_t i = 0; i < 1000; ++i) {
          if (got.body[i] != release_[i]) changed.push_back(i);
        }
        EXPECT_EQ(changed, std::vector<std::size_t>{n});
        break;
      }
      case FaultKind::length_smaller:
      case FaultKind::length_larger:
        EXPECT_EQ(got.header("Content-Length"),
                  std::to_string(kind == FaultKind::length_smaller ? 1000 - n : 1000 + n));
        EXPECT_EQ(got.body, release_);
        break;
      case FaultKind::none: break;
    }
  }
  // Disarmed, the file and the feed are sound again.
  EXPECT_EQ(ask_post("/__control/chaos?seed="), "disarmed\n");
  EXPECT_EQ(ask(kFile, "Range: bytes=0-999\r\n").body, release_);
  EXPECT_EQ(ask(kFeed).status(), 200);
}

}  // namespace
}  // namespace corvald::devserver
