// The telemetry pipeline over WinHTTP against the local devserver: what arrives is exactly
// what the stub means to send.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <thread>

#include "../support/devserver_port.hpp"
#include "devserver_records.hpp"
#include "net/http_client.hpp"
#include "telemetry/event_document.hpp"
#include "telemetry/telemetry.hpp"
#include "text/utf.hpp"

namespace corvald::e2e {
namespace {

using telemetry::TelemetryConfig;
using telemetry::TelemetryEvent;

class TelemetryDevserverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(devserver_base_url().empty()) << "CORVALD_DEVSERVER_DIR names no devserver";
    ASSERT_TRUE(devserver_control("reset"));
    ASSERT_TRUE(devserver_control("set?telemetry_status=&telemetry_stall_ms="));
    config.endpoint = devserver_base_url() + "/api/v2/report";
    config.user_agent = net::stub_user_agent();
    config.app_id = "{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315}";
    config.stub_version = "0.1.117";
    config.session_id = "6f9d2a40-1c3b-4e7f-9a85-0d2c4b6e8f11";
    config.client_id = "c1d2e3f4-a5b6-4c7d-8e9f-0a1b2c3d4e5f";
    config.locale = "fr-FR";
    config.channel = "windows";
  }
  void TearDown() override { (void)devserver_control("set?telemetry_status=&telemetry_stall_ms="); }

  // Hooks that collect the log lines of the pipeline instead of writing a log file.
  telemetry::TelemetryHooks collecting_hooks() {
    auto hooks = telemetry::default_telemetry_hooks(false);
    hooks.log = [lines = lines](std::string_view line) { lines->emplace_back(line); };
    hooks.trace_enabled = [] { return false; };
    return hooks;
  }

  TelemetryConfig config;
  // Written only by the telemetry thread, read after it was joined.
  std::shared_ptr<std::vector<std::string>> lines = std::make_shared<std::vector<std::string>>();
};

std::uint64_t stamped_ts(const std::string& body) {
  std::smatch ts;
  if (!std::regex_search(body, ts, std::regex(R"("ts":(\d+)[,}])"))) return 0;
  return std::stoull(ts[1].str());
}

// The request as the stub meant it: the body is compared after taking over the stamped ts.
void expect_sent(const ServerRecord& record, TelemetryEvent event, const TelemetryConfig& config) {
  EXPECT_EQ(record.method, "POST");
  const auto id = record.header("CV-Request-Id");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(record.query, "cv-request-id=" + *id);

  event.ts = stamped_ts(record.body);
  EXPECT_EQ(record.body, telemetry::event_json(event, config));

  // Our eight headers, each exactly once; the transport may add its own. The record lists
  // headers sorted by name, so their order on the wire is checked natively, on the request
  // handed to the session.
  std::vector<std::pair<std::string, std::string>> ours{
      {"Content-Type", "application/json"},
      {"User-Agent", config.user_agent},
      {"Cookie", "session_id=" + config.session_id},
      {"CV-AppId", config.app_id},
      {"CV-Client-Id", config.client_id},
      {"CV-Version", config.stub_version},
      {"CV-Channel", config.channel},
      {"CV-Request-Id", *id},
  };
  std::vector<std::pair<std::string, std::string>> received;
  for (const auto& [name, value] : record.headers) {
    for (const auto& [want, unused] : ours) {
      if (text::ascii_lower(name) == text::ascii_lower(want)) received.emplace_back(want, value);
    }
  }
  std::sort(ours.begin(), ours.end());
  std::sort(received.begin(), received.end());
  EXPECT_EQ(received, ours);
}

TEST_F(TelemetryDevserverTest, EventsArriveInOrderWithTheDocumentedBodyAndHeaders) {
  auto client = net::HttpClient::open(config.user_agent);
  ASSERT_TRUE(client.ok()) << client.error().display();

  std::vector<TelemetryEvent> events;
  events.emplace_back("e2e_first");
  events.back()
      .add_text("path", "C:\\Users\\Zoë \"quoted\"\t\x01/tab")
      .add_u64("bytes", 18446744073709551615u)
      .add_i64("delta", -7)
      .add_f64("ratio", 0.1)
      .add_f64("whole", 1e21)
      .add_bool("resumed", false);
  events.emplace_back("e2e_second");
  events.back().add_error(StubError::http("https://example.invalid/x", 503));
  events.emplace_back("e2e_third");

  const auto before = telemetry::unix_seconds(std::chrono::system_clock::now());
  auto handle = telemetry::telemetry_start(*client, config, collecting_hooks());
  for (const auto& event : events) telemetry::telemetry_send(handle, event);
  EXPECT_EQ(telemetry::telemetry_shutdown(handle), telemetry::ShutdownOutcome::joined);
  const auto after = telemetry::unix_seconds(std::chrono::system_clock::now());

  const auto reports = devserver_reports();
  ASSERT_EQ(reports.size(), events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(events[i].name());
    expect_sent(reports[i], events[i], config);
    EXPECT_GE(stamped_ts(reports[i].body), before);
    EXPECT_LE(stamped_ts(reports[i].body), after);
  }
  EXPECT_NE(reports[0].header("CV-Request-Id"), reports[1].header("CV-Request-Id"));
  EXPECT_TRUE(lines->empty());
}

TEST_F(TelemetryDevserverTest, ABurstAgainstAStalledEndpointKeepsAtMostTheQueueAndDetaches) {
  auto client = net::HttpClient::open(config.user_agent);
  ASSERT_TRUE(client.ok()) << client.error().display();
  ASSERT_TRUE(devserver_control("set?telemetry_stall_ms=4000"));

  auto handle = telemetry::telemetry_start(*client, config, collecting_hooks());
  for (int i = 0; i < 40; ++i)
    telemetry::telemetry_send(handle, TelemetryEvent("burst_" + std::to_string(i)));
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(telemetry::telemetry_shutdown(handle), telemetry::ShutdownOutcome::detached);
  const auto waited = std::chrono::steady_clock::now() - started;
  std::printf("shutdown against a stalled endpoint returned after %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
  ASSERT_TRUE(devserver_control("set?telemetry_stall_ms="));

  // The detached thread goes on once the stalled post ends; wait (bounded) until the queue
  // has drained, then a little longer so that a surplus post would show.
  std::size_t seen = 0;
  for (int quiet = 0, polls = 0; quiet < 10 && polls < 300; ++polls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::size_t now = devserver_reports().size();
    quiet = now == seen && now >= 32 ? quiet + 1 : 0;
    seen = now;
  }
  const auto reports = devserver_reports();
  // One post in flight when the burst arrived (or not yet taken) plus a full queue of 32; the
  // rest were dropped, and the ones that arrived are the oldest, in order.
  ASSERT_GE(reports.size(), 32u);
  ASSERT_LE(reports.size(), 33u);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    EXPECT_NE(reports[i].body.find("\"event_name\":\"burst_" + std::to_string(i) + "\""),
              std::string::npos)
        << reports[i].body;
  }
  EXPECT_TRUE(lines->empty());  // drops are silent
}

}  // namespace
}  // namespace corvald::e2e
