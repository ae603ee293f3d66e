#include "telemetry/telemetry_post.hpp"

#include <gtest/gtest.h>

#include "net/log_safe_text.hpp"
#include "net/test/scripted_session.hpp"
#include "telemetry/event_document.hpp"
#include "telemetry/test/telemetry_test_support.hpp"

namespace corvald::telemetry {
namespace {

using net::test::ScriptedReply;
using net::test::ScriptedSession;
using testing::LogRecorder;
using testing::recording_hooks;
using testing::sample_config;

struct PostFixture : ::testing::Test {
  std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
  net::HttpClient client{session};
  std::shared_ptr<LogRecorder> log = std::make_shared<LogRecorder>();
  TelemetryHooks hooks = recording_hooks(log);
  TelemetryConfig config = sample_config();

  net::test::RecordedRequest only_request() const {
    const auto requests = session->requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? net::test::RecordedRequest{} : requests.front();
  }
};

using TelemetryPost = PostFixture;

TEST_F(TelemetryPost, SendsTheDocumentWithTheEightHeadersUnderAFreshRequestId) {
  session->push(ScriptedReply::with_body("{}"));
  session->push(ScriptedReply::with_body("{}"));
  TelemetryEvent event("cache_hit");
  event.add_u64("size", 5);
  post_event(client, config, event, hooks);
  post_event(client, config, event, hooks);

  const auto requests = session->requests();
  ASSERT_EQ(requests.size(), 2u);
  const auto& request = requests[0];
  EXPECT_EQ(request.verb, "POST");
  EXPECT_EQ(request.body, event_json(event, config));
  const std::string id = request.header("CV-Request-Id").value_or("");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(request.url_text(), "http://127.0.0.1:9/api/v2/report?cv-request-id=" + id);
  const net::HeaderList expected{
      {"Content-Type", "application/json"},
      {"User-Agent", config.user_agent},
      {"Cookie", "session_id=" + config.session_id},
      {"CV-AppId", config.app_id},
      {"CV-Client-Id", config.client_id},
      {"CV-Version", config.stub_version},
      {"CV-Channel", config.channel},
      {"CV-Request-Id", id},
  };
  EXPECT_EQ(request.headers, expected);
  EXPECT_NE(requests[1].header("CV-Request-Id"), id);
  EXPECT_TRUE(log->lines().empty()) << "a 2xx answer logs nothing";
}

TEST_F(TelemetryPost, TraceLogsTheFullBodyBeforeSendingAndIsAskedForEveryEvent) {
  int asked = 0;
  std::size_t requests_when_traced = 99;
  hooks.trace_enabled = [&] {
    requests_when_traced = session->request_count();
    return ++asked == 1;
  };
  session->push(ScriptedReply::with_body("", 204));
  session->push(ScriptedReply::with_body("", 204));
  const TelemetryEvent event("stub_started");
  post_event(client, config, event, hooks);
  post_event(client, config, event, hooks);

  EXPECT_EQ(asked, 2);
  const auto requests = session->requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string id = requests[0].header("CV-Request-Id").value_or("");
  const auto lines = log->lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "[telemetry-trace] stub_started POST "
            "http://127.0.0.1:9/api/v2/report?cv-request-id=" +
                id + " appid={7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315} request_id=" + id +
                " body=" + event_json(event, config));
  EXPECT_EQ(requests_when_traced, 1u) << "the second lookup happened before the second post";
}

TEST_F(TelemetryPost, FailuresAndNonSuccessStatusesAreLoggedOnce) {
  session->push(ScriptedReply::failing(StubError::network("connection refused")));
  session->push(ScriptedReply::with_body("oops\r\nsecret=1", 500));
  session->push(ScriptedReply::with_body("moved", 302));
  const TelemetryEvent event("install_failed");
  for (int i = 0; i < 3; ++i) post_event(client, config, event, hooks);

  const auto requests = session->requests();
  ASSERT_EQ(requests.size(), 3u);
  const auto id = [&](std::size_t i) { return requests[i].header("CV-Request-Id").value_or(""); };
  const auto lines = log->lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "[telemetry] install_failed → network error: connection refused request_id=" + id(0));
  EXPECT_EQ(lines[1], "[telemetry] install_failed → HTTP 500 request_id=" + id(1) +
                          " body=" + net::log_safe_text("oops\r\nsecret=1"));
  EXPECT_EQ(lines[2], "[telemetry] install_failed → HTTP 302 request_id=" + id(2) + " body=moved");
}

TEST_F(TelemetryPost, AnEmptyEndpointFailsEveryPostAndSaysSo) {
  config.endpoint = "";
  post_event(client, config, TelemetryEvent("stub_started"), hooks);
  EXPECT_EQ(session->request_count(), 0u);
  const auto lines = log->lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("[telemetry] stub_started → parse error: ")) << lines[0];
}

TEST(TelemetryHooksTest, TsIsWholeUnixSecondsAndZeroBefore1970) {
  using std::chrono::system_clock;
  EXPECT_EQ(unix_seconds(system_clock::time_point(std::chrono::milliseconds(1788095247999))),
            1788095247u);
  EXPECT_EQ(unix_seconds(system_clock::time_point(std::chrono::milliseconds(-1))), 0u);
  EXPECT_EQ(unix_seconds(system_clock::time_point(std::chrono::hours(-24))), 0u);
}

}  // namespace
}  // namespace corvald::telemetry
