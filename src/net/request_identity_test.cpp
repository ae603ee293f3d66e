#include "net/request_identity.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace corvald::net {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

constexpr std::string_view alphabet = "0123456789abcdefghijklmnopqrstuvwxyz";

system_clock::time_point at_ms(long long ms) { return system_clock::time_point(milliseconds(ms)); }

TEST(RequestIdentity, IdsOfOneMillisecondDifferOnlyInTheirLastFiveCharacters) {
  std::set<std::string> suffixes;
  const std::string first = new_request_id(at_ms(1'700'000'000'123));
  for (int i = 0; i < 10; ++i) {
    const std::string id = new_request_id(at_ms(1'700'000'000'123));
    ASSERT_EQ(id.size(), 30u) << id;
    EXPECT_EQ(id.substr(0, 25), first.substr(0, 25));
    EXPECT_EQ(id.substr(12, 13), "1700000000123");
    EXPECT_EQ(id.find_first_not_of(alphabet), std::string::npos) << id;
    suffixes.insert(id.substr(25));
  }
  EXPECT_GT(suffixes.size(), 1u);
}

TEST(RequestIdentity, PrefixIsSharedByEveryThreadOfTheProcess) {
  std::vector<std::string> ids(4);
  std::vector<std::thread> threads;
  for (auto& id : ids) threads.emplace_back([&id] { id = new_request_id(); });
  for (auto& thread : threads) thread.join();
  const std::string here = new_request_id();
  for (const auto& id : ids) EXPECT_EQ(id.substr(0, 12), here.substr(0, 12));
}

TEST(RequestIdentity, ClockBefore1970CountsAsZero) {
  const auto before = at_ms(-5'000);
  const std::string id = new_request_id(before);
  ASSERT_EQ(id.size(), 18u) << id;
  EXPECT_EQ(id[12], '0');
  EXPECT_EQ(identity_headers("c", "r", before)[3].value, "0");
}

TEST(RequestIdentity, IdentityHeadersInOrderWithWholeSeconds) {
  const HeaderList expected = {
      {"CV-AppId", "tavrin"},
      {"CV-Client-Id", "5f0c2a9e-8d1b-4c3a-9e7f-0123456789ab"},
      {"CV-Request-Id", "req42"},
      {"CV-Timestamp", "1700000000"},
      {"CV-Distribution", "stub-tavrin-stable"},
  };
  EXPECT_EQ(
      identity_headers("5f0c2a9e-8d1b-4c3a-9e7f-0123456789ab", "req42", at_ms(1'700'000'000'999)),
      expected);
}

TEST(RequestIdentity, WithRequestIdJoinsTheQueryAndKeepsTheFragmentLast) {
  EXPECT_EQ(with_request_id("https://h/feed", "abc"), "https://h/feed?cv-request-id=abc");
  EXPECT_EQ(with_request_id("https://h/feed?x=1", "abc"), "https://h/feed?x=1&cv-request-id=abc");
  EXPECT_EQ(with_request_id("https://h/feed#top", "abc"), "https://h/feed?cv-request-id=abc#top");
  EXPECT_EQ(with_request_id("https://h/p#a?b", "abc"), "https://h/p?cv-request-id=abc#a?b");
}

}  // namespace
}  // namespace corvald::net
