// A second corvald-setup.exe while the first holds the mutex: it reports itself to the
// telemetry endpoint and exits with 2, whatever the endpoint does.
#include <gtest/gtest.h>

#include <regex>

#include "../support/devserver_port.hpp"
#include "devserver_records.hpp"
#include "file_bytes.hpp"
#include "net/http_client.hpp"
#include "platform/win_handles.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"

namespace corvald::e2e {
namespace {

bool has_line_ending_with(const std::string& log, const std::string& tail) {
  std::size_t start = 0;
  while (start < log.size()) {
    const auto end = std::min(log.find('\n', start), log.size());
    if (std::string_view(log).substr(start, end - start).ends_with(tail)) return true;
    start = end + 1;
  }
  return false;
}

class AlreadyRunningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(devserver_base_url().empty()) << "CORVALD_DEVSERVER_DIR names no devserver";
    ASSERT_TRUE(devserver_control("reset"));
    ASSERT_TRUE(devserver_control("set?telemetry_status=&telemetry_stall_ms="));
    held_.reset(CreateMutexW(nullptr, TRUE, L"Global\\corvald-installer-0.1.117"));
    ASSERT_TRUE(held_);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  }
  void TearDown() override { (void)devserver_control("set?telemetry_status=&telemetry_stall_ms="); }

  StubRun run_in(const std::filesystem::path& home) const {
    StubRun run;
    run.env[L"LOCALAPPDATA"] = home.wstring();
    run.env[L"APP_INSTALLER_REPORT_LOG"] = std::nullopt;
    run.env[L"APP_INSTALLER_TELEMETRY_TRACE"] = std::nullopt;
    run.env[L"APP_INSTALLER_LOCALE"] = L"de-DE";
    const std::string endpoint = devserver_base_url() + "/api/v2/report";
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = std::wstring(endpoint.begin(), endpoint.end());
    return run;
  }

  static std::string log_of(const std::filesystem::path& home) { return stub_log(home); }

 private:
  platform::UniqueKernelHandle held_;
};

TEST_F(AlreadyRunningTest, SendsOneStubAlreadyRunningEventAndExitsWithTwo) {
  const auto home = fresh_folder("already-running");
  EXPECT_EQ(run_stub(run_in(home)), 2u);

  const auto reports = devserver_reports();
  ASSERT_EQ(reports.size(), 1u);
  const ServerRecord& report = reports[0];
  const std::string client_id = file_bytes(home / "corvald-installer" / "stub-cuid");
  ASSERT_EQ(client_id.size(), 36u);

  const std::regex body(
      R"re(\{"event_name":"stub_already_running","app_id":"\{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315\}",)re"
      R"re("stub_version":"0\.1\.117",)re"
      R"re("session_id":"([0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12})",)re"
      R"re("client_id":"([^"]+)","os":"windows","arch":"x86_64","locale":"de-DE",)re"
      R"re("channel":"windows","ts":[1-9]\d*\})re");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(report.body, m, body)) << report.body;
  EXPECT_EQ(m[2].str(), client_id);
  EXPECT_NE(m[1].str(), client_id);
  EXPECT_EQ(report.header("Cookie"), "session_id=" + m[1].str());
  EXPECT_EQ(report.header("CV-Client-Id"), client_id);
  EXPECT_EQ(report.header("User-Agent"), net::stub_user_agent());
  EXPECT_EQ(report.header("CV-Channel"), "windows");
  EXPECT_EQ(report.query, "cv-request-id=" + report.header("CV-Request-Id").value_or("?"));

  EXPECT_TRUE(
      has_line_ending_with(log_of(home), "[main] another instance is already running — exiting"));
}

TEST_F(AlreadyRunningTest, TraceAndAnErrorStatusBothReachTheLog) {
  ASSERT_TRUE(devserver_control("set?telemetry_status=503"));
  const auto home = fresh_folder("already-running-503");
  auto run = run_in(home);
  run.env[L"APP_INSTALLER_TELEMETRY_TRACE"] = L"1";
  EXPECT_EQ(run_stub(run), 2u);

  const auto reports = devserver_reports();
  ASSERT_EQ(reports.size(), 1u);
  const std::string id = reports[0].header("CV-Request-Id").value_or("?");
  const std::string log = log_of(home);
  EXPECT_TRUE(has_line_ending_with(
      log, "[telemetry-trace] stub_already_running POST " + devserver_base_url() +
               "/api/v2/report?cv-request-id=" + id +
               " appid={7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315} request_id=" + id +
               " body=" + reports[0].body))
      << log;
  EXPECT_TRUE(has_line_ending_with(log, "[telemetry] stub_already_running → HTTP 503 request_id=" +
                                            id + " body={\"status\":503}"))
      << log;
}

TEST_F(AlreadyRunningTest, AnEndpointThatNeverAnswersStillEndsTheRunWithTwo) {
  // The post outlives the two-second wait; the thread is left behind when the process ends,
  // and that exit must be as clean as any other.
  ASSERT_TRUE(devserver_control("set?telemetry_stall_ms=8000"));
  const auto home = fresh_folder("already-running-stall");
  EXPECT_EQ(run_stub(run_in(home)), 2u);
  EXPECT_EQ(devserver_reports().size(), 1u);
}

TEST_F(AlreadyRunningTest, AnEmptyTelemetryUrlFailsThePostAndTheRunGoesOn) {
  const auto home = fresh_folder("already-running-empty-url");
  auto run = run_in(home);
  run.env[L"APP_INSTALLER_TELEMETRY_URL"] = L"";
  EXPECT_EQ(run_stub(run), 2u);
  EXPECT_TRUE(devserver_reports().empty());
  const std::string log = log_of(home);
  EXPECT_TRUE(std::regex_search(
      log, std::regex(R"(\[telemetry\] stub_already_running → parse error: [^\n]* )"
                      R"(request_id=[0-9a-z]{30}\n)")))
      << log;
}

TEST_F(AlreadyRunningTest, WithoutAClientIdNothingIsSentAndTheExitCodeStaysTwo) {
  const auto home = fresh_folder("already-running-no-localappdata");
  auto run = run_in(home);
  run.env[L"LOCALAPPDATA"] = std::nullopt;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(home);
  const auto code = run_stub(run);
  std::filesystem::current_path(previous);
  EXPECT_EQ(code, 2u);
  EXPECT_TRUE(devserver_reports().empty());
}

}  // namespace
}  // namespace corvald::e2e
