#include <gtest/gtest.h>

#include <future>
#include <system_error>
#include <thread>

#include "net/test/scripted_session.hpp"
#include "telemetry/event_document.hpp"
#include "telemetry/telemetry.hpp"
#include "telemetry/test/telemetry_test_support.hpp"

namespace corvald::telemetry {
namespace {

using namespace std::chrono_literals;
using net::test::Gate;
using net::test::ScriptedReply;
using net::test::ScriptedSession;
using testing::LogRecorder;
using testing::recording_hooks;
using testing::sample_config;

// Time that moves only when shutdown sleeps; it records every sleep it is asked for.
struct FakeShutdownClock {
  std::chrono::steady_clock::time_point now{};
  std::vector<std::chrono::milliseconds> sleeps;
  // Real time spent per sleep, for runs that must give the thread a chance to finish.
  std::chrono::milliseconds real_pause{0};
  std::chrono::milliseconds advance{50};

  Clock clock() {
    return {[this] { return now; },
            [this](std::chrono::milliseconds d) {
              sleeps.push_back(d);
              if (real_pause > 0ms) std::this_thread::sleep_for(real_pause);
              now += advance;
            }};
  }
};

// Resolves once the pipeline, and with it the thread's last reference, is gone.
struct Farewell {
  std::promise<void> gone;
  ~Farewell() { gone.set_value(); }
};

std::string event_name_of(const net::test::RecordedRequest& request) {
  const auto start = request.body.find("\"event_name\":\"") + 14;
  return request.body.substr(start, request.body.find('"', start) - start);
}

struct PipelineFixture : ::testing::Test {
  std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
  std::shared_ptr<LogRecorder> log = std::make_shared<LogRecorder>();
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  std::future<void> pipeline_gone;

  // Hooks whose only tie to the test is the recorder and the farewell.
  TelemetryHooks hooks() {
    TelemetryHooks h = recording_hooks(log);
    auto farewell = std::make_shared<Farewell>();
    pipeline_gone = farewell->gone.get_future();
    h.log = [log = log, farewell](std::string_view line) { log->add(line); };
    h.wall_clock = [] { return std::chrono::system_clock::time_point(1788095247s); };
    return h;
  }

  void answer_everything(bool stalled) {
    session->set_handler([gate = gate, stalled](const net::test::RecordedRequest&) {
      auto reply = ScriptedReply::with_body("");
      if (stalled) reply.stall = gate;
      return std::optional(reply);
    });
  }

  std::vector<std::string> posted_names() const {
    std::vector<std::string> names;
    for (const auto& request : session->requests()) names.push_back(event_name_of(request));
    return names;
  }
};

using TelemetryPipeline = PipelineFixture;

TEST_F(TelemetryPipeline, PostsEveryEventInOrderStampedAndJoinsOnShutdown) {
  answer_everything(false);
  TelemetryConfig config = sample_config();
  config.os = "linux";  // the pipeline decides these
  config.arch = "arm64";
  auto handle = telemetry_start(net::HttpClient(session), config, hooks());
  ASSERT_TRUE(handle.enabled());
  for (int i = 0; i < 5; ++i) telemetry_send(handle, TelemetryEvent("e" + std::to_string(i)));

  FakeShutdownClock fake;
  fake.real_pause = 10ms;  // the thread needs real time; the fake two seconds never run out
  fake.advance = 1ms;
  EXPECT_EQ(telemetry_shutdown(handle, fake.clock()), ShutdownOutcome::joined);
  EXPECT_FALSE(handle.enabled());
  EXPECT_EQ(posted_names(), (std::vector<std::string>{"e0", "e1", "e2", "e3", "e4"}));

  TelemetryEvent expected("e0");
  expected.ts = 1788095247;
  config.os = "windows";
  config.arch = "x86_64";
  EXPECT_EQ(session->requests().at(0).body, event_json(expected, config));

  telemetry_send(handle, TelemetryEvent("late"));
  EXPECT_EQ(session->request_count(), 5u);
  EXPECT_EQ(telemetry_shutdown(handle, fake.clock()), ShutdownOutcome::not_running);
  EXPECT_TRUE(log->lines().empty());
}

TEST_F(TelemetryPipeline, StalledEndpointHoldsOneQueuesThirtyTwoAndDropsTheRestSilently) {
  answer_everything(true);
  auto handle = telemetry_start(net::HttpClient(session), sample_config(), hooks());
  telemetry_send(handle, TelemetryEvent("e0"));
  gate->wait_for_arrivals(1);  // e0 is now being posted and holds the thread
  for (int i = 1; i < 40; ++i) telemetry_send(handle, TelemetryEvent("e" + std::to_string(i)));

  FakeShutdownClock fake;
  EXPECT_EQ(telemetry_shutdown(handle, fake.clock()), ShutdownOutcome::detached);
  EXPECT_EQ(fake.sleeps.size(), 40u) << "2 whole seconds in steps of 50 ms";
  for (const auto d : fake.sleeps) EXPECT_EQ(d, 50ms);
  EXPECT_EQ(session->request_count(), 1u);

  // The detached thread still owns what it uses: release it and let it drain the queue
  // after its handle is gone.
  handle = TelemetryHandle();
  gate->open();
  pipeline_gone.wait();
  std::vector<std::string> expected;
  for (int i = 0; i <= 32; ++i) expected.push_back("e" + std::to_string(i));
  EXPECT_EQ(posted_names(), expected);
  EXPECT_TRUE(log->lines().empty());
}

TEST_F(TelemetryPipeline, DroppingTheHandleClosesTheQueueAndTheThreadFinishesItsWork) {
  answer_everything(true);
  {
    auto handle = telemetry_start(net::HttpClient(session), sample_config(), hooks());
    telemetry_send(handle, TelemetryEvent("a"));
    telemetry_send(handle, TelemetryEvent("b"));
  }
  gate->open();
  pipeline_gone.wait();
  EXPECT_EQ(posted_names(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(TelemetryPipeline, FailedPostsAreLoggedAndTheNextEventStillGoes) {
  session->push(ScriptedReply::failing(StubError::timeout("no answer")));
  session->push(ScriptedReply::with_body("ok"));
  auto handle = telemetry_start(net::HttpClient(session), sample_config(), hooks());
  telemetry_send(handle, TelemetryEvent("first"));
  telemetry_send(handle, TelemetryEvent("second"));
  FakeShutdownClock fake;
  fake.real_pause = 10ms;
  fake.advance = 1ms;
  EXPECT_EQ(telemetry_shutdown(handle, fake.clock()), ShutdownOutcome::joined);

  EXPECT_EQ(posted_names(), (std::vector<std::string>{"first", "second"}));
  const auto lines = log->lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("[telemetry] first → timeout: no answer request_id="))
      << lines[0];
}

TEST_F(TelemetryPipeline, SendersOnSeveralThreadsKeepTheirOwnOrder) {
  answer_everything(false);
  auto handle = telemetry_start(net::HttpClient(session), sample_config(), hooks());
  std::vector<std::thread> senders;
  // 4 × 8 fits the queue even if the thread takes nothing until the end.
  for (int t = 0; t < 4; ++t) {
    senders.emplace_back([&handle, t] {
      for (int i = 0; i < 8; ++i) {
        telemetry_send(handle, TelemetryEvent("t" + std::to_string(t) + "_" + std::to_string(i)));
      }
    });
  }
  for (auto& s : senders) s.join();
  FakeShutdownClock fake;
  fake.real_pause = 10ms;
  fake.advance = 1ms;
  EXPECT_EQ(telemetry_shutdown(handle, fake.clock()), ShutdownOutcome::joined);

  const auto names = posted_names();
  ASSERT_EQ(names.size(), 32u);
  std::vector<int> next(4, 0);
  for (const auto& name : names) {
    const int t = name[1] - '0';
    EXPECT_EQ(name, "t" + std::to_string(t) + "_" + std::to_string(next[t]++));
  }
}

TEST_F(TelemetryPipeline, WithoutAThreadTheHandleIsDisabledAndNothingWaits) {
  answer_everything(false);
  TelemetryHooks h = hooks();
  h.start_thread = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  auto handle = telemetry_start(net::HttpClient(session), sample_config(), std::move(h));
  EXPECT_FALSE(handle.enabled());
  telemetry_send(handle, TelemetryEvent("lost"));

  FakeShutdownClock fake;
  EXPECT_EQ(telemetry_shutdown(handle, fake.clock()), ShutdownOutcome::not_running);
  EXPECT_TRUE(fake.sleeps.empty());
  EXPECT_EQ(session->request_count(), 0u);
  const auto lines = log->lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("[telemetry] thread start failed")) << lines[0];

  TelemetryHandle never_started;
  telemetry_send(never_started, TelemetryEvent("lost"));
  EXPECT_EQ(telemetry_shutdown(never_started, fake.clock()), ShutdownOutcome::not_running);
}

}  // namespace
}  // namespace corvald::telemetry
