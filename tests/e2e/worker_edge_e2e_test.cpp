// The windowed pipeline worker under Wine when it stops early: cancelled before the feed, and
// a feed that is refused. Each case checks what the window shows, what the log says and what
// the devserver received.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

#include "demo_install.hpp"
#include "devserver_port.hpp"
#include "devserver_records.hpp"
#include "feed/feed_url.hpp"
#include "i18n/i18n.hpp"
#include "logfile/test/log_capture.hpp"
#include "startup/run_settings.hpp"
#include "worker/worker.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;

constexpr char kFeedPath[] = "/api/voice-realtime/checkupdate/win-x64/last.yml";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvaldTavrin";

// The body of the one "stub_completed" event the devserver received, or "" when there is not
// exactly one.
std::string stub_completed_body() {
  std::string body;
  int count = 0;
  for (const auto& report : e2e::devserver_reports()) {
    if (report.body.find("\"event_name\":\"stub_completed\"") == std::string::npos) continue;
    body = report.body;
    ++count;
  }
  return count == 1 ? body : "";
}

bool has_message(const std::vector<std::string>& messages, const std::string& wanted) {
  return std::find(messages.begin(), messages.end(), wanted) != messages.end();
}

std::string joined(const std::vector<std::string>& messages) {
  std::string out;
  for (const auto& m : messages) out += m + "\n";
  return out;
}

class WorkerEdgeE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string base = devserver_base_url();
    ASSERT_FALSE(base.empty()) << "CORVALD_DEVSERVER_DIR names no running devserver";
    ASSERT_TRUE(e2e::devserver_control("reset"));
    e2e::forget_installation();
    folder_ = fs::temp_directory_path() /
              ("corvald-worker-edge-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    const std::wstring wbase(base.begin(), base.end());
    ASSERT_TRUE(SetEnvironmentVariableW(L"APP_INSTALLER_SERVICE_URL", wbase.c_str()));
    ASSERT_TRUE(SetEnvironmentVariableW(L"APP_INSTALLER_TELEMETRY_URL",
                                        (wbase + L"/api/v2/report").c_str()));
    ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", folder_.wstring().c_str()));
  }

  void TearDown() override {
    (void)e2e::devserver_control("set?feed_status=");
    e2e::forget_installation();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  // One worker run to its end; the status it finished with.
  UiStatusFields run(bool cancelled) {
    auto status = std::make_shared<UiStatus>();
    auto cancel = std::make_shared<CancelFlag>();
    if (cancelled) cancel->cancel();
    // The settings of a run started now, with the variables this case has set.
    std::thread worker(
        [status, cancel, settings = read_run_settings()] { run_worker(status, cancel, settings); });
    worker.join();
    return status->snapshot();
  }

  fs::path folder_;
};

TEST_F(WorkerEdgeE2eTest, CancelBeforeTheFeedSendsNoFeedRequestAndReportsCancelled) {
  logfile::testing::LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  const auto s = run(/*cancelled=*/true);

  EXPECT_EQ(s.phase, Phase::failed);
  EXPECT_EQ(s.text, i18n::tr("ui.status.cancelled"));
  const auto messages = log.messages();
  EXPECT_TRUE(has_message(messages, "[worker] operation cancelled")) << joined(messages);
  EXPECT_TRUE(std::none_of(messages.begin(), messages.end(), [](const std::string& m) {
    return m.starts_with("  request_id=");
  })) << joined(messages);
  EXPECT_TRUE(e2e::devserver_requests(kFeedPath).empty());
  const std::string completed = stub_completed_body();
  EXPECT_NE(completed.find("\"outcome\":\"cancelled\""), std::string::npos) << completed;
}

// 204 with a registered installation whose executable is gone, then 500.
TEST_F(WorkerEdgeE2eTest, RefusedFeedEndsInTheErrorOfItsStatus) {
  const std::wstring exe =
      (folder_ / "Programs" / "Corvald Tavrin" / "Corvald Tavrin.exe").wstring();
  const std::wstring icon = L"\"" + exe + L"\",0";
  for (const auto& [name, value] :
       {std::pair<const wchar_t*, std::wstring>{L"DisplayName", L"Corvald Tavrin"},
        {L"DisplayVersion", L"1.4.0"},
        {L"DisplayIcon", icon}}) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kUninstallKey, name, REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  const std::string feed_url = feed::feed_url(read_run_settings().service_url);

  struct Case {
    int status;
    std::string error;
    std::string shown;
  };
  const Case cases[] = {
      {204, "no build for this machine (HTTP 204): " + feed_url,
       i18n::tr_with("ui.error.feed_no_build", {{"url", feed_url}})},
      {500, "HTTP 500 for " + feed_url, i18n::tr_with("ui.error.http", {{"status", "500"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    ASSERT_TRUE(e2e::devserver_control("reset"));
    ASSERT_TRUE(e2e::devserver_control("set?feed_status=" + std::to_string(c.status)));
    logfile::testing::LogCapture log;
    ASSERT_TRUE(log.installed_ok());
    const auto s = run(/*cancelled=*/false);

    EXPECT_EQ(s.phase, Phase::failed);
    EXPECT_EQ(s.text, c.shown);
    EXPECT_NE(s.text.find(c.status == 204 ? feed_url : "500"), std::string::npos) << s.text;
    const auto messages = log.messages();
    EXPECT_TRUE(has_message(messages, "[worker] " + c.error)) << joined(messages);
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
      return m.starts_with("  feed FAILED status=" + std::to_string(c.status) + " request_id=") &&
             m.find(" url=" + feed_url + " body=") != std::string::npos;
    })) << joined(messages);
    EXPECT_EQ(e2e::devserver_requests(kFeedPath).size(), 1u);
    const std::string completed = stub_completed_body();
    EXPECT_NE(completed.find("\"outcome\":\"error\",\"error\":\"" + c.error + "\""),
              std::string::npos)
        << completed;
  }
}

}  // namespace
}  // namespace corvald
