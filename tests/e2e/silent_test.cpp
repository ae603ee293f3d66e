// corvald-setup.exe /S under Wine, from the feed to the installer's exit code, against three
// devservers that each serve one real demo installer (1.5.0, 1.4.0 and a 1.6.0 that fails with
// 1603). $CORVALD_SILENT_DEVSERVERS holds one folder per server: 150, 140 and fail.
#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "demo_install.hpp"
#include "devserver_records.hpp"
#include "file_bytes.hpp"
#include "net/http_client.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"

namespace corvald::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kFeedPath[] = "/api/voice-realtime/checkupdate/win-x64/last.yml";
constexpr char kClearFeed[] = "set?feed_status=&feed_body=&feed_content_type=&feed_drop_after=";

// "http://127.0.0.1:PORT" of the devserver whose fixture folder is $CORVALD_SILENT_DEVSERVERS/name,
// or "" when it has no port file.
std::string server_url(const std::string& name) {
  const char* root = std::getenv("CORVALD_SILENT_DEVSERVERS");
  if (root == nullptr || *root == '\0') return {};
  // The Linux root is drive Z: under Wine.
  std::ifstream in("Z:" + std::string(root) + "/" + name + "/port");
  std::string port;
  if (!std::getline(in, port) || port.empty() ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return {};
  }
  return "http://127.0.0.1:" + port;
}

std::string percent_encoded(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

std::size_t count_of(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

class SilentE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    forget_installation();
    for (const char* name : {"150", "140", "fail"}) {
      ASSERT_FALSE(server_url(name).empty())
          << "CORVALD_SILENT_DEVSERVERS has no running devserver in " << name;
    }
    auto opened = net::HttpClient::open("corvald-silent-e2e");
    ASSERT_TRUE(opened.ok()) << opened.error().display();
    client_.emplace(std::move(opened.value()));
    for (const char* name : {"150", "140", "fail"}) control(name, kClearFeed);
    local_app_data_ = fresh_folder(std::string("silent-") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  void TearDown() override {
    if (client_) {
      for (const char* name : {"150", "140", "fail"}) control(name, kClearFeed);
    }
    forget_installation();
    std::error_code ignored;
    fs::remove_all(local_app_data_, ignored);
  }

  void control(const std::string& server, const std::string& what) {
    const std::string url = server_url(server) + "/__control/" + what;
    auto reply = client_->post(url, {}, "");
    ASSERT_TRUE(reply.ok()) << url << ": " << reply.error().display();
    ASSERT_EQ(reply->status, 200u) << url << ": " << reply->body_text;
  }

  std::optional<unsigned long> run_silent(const std::string& server, StubRun run = {}) {
    run.args = {L"/S"};
    return run_against(server, std::move(run));
  }

  // A run with the caller's arguments: without /S it is windowed, and its window closes itself
  // after a successful install.
  std::optional<unsigned long> run_against(const std::string& server, StubRun run) {
    const std::string base = server_url(server);
    run.env[L"APP_INSTALLER_SERVICE_URL"] = std::wstring(base.begin(), base.end());
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = L"";
    run.env[L"LOCALAPPDATA"] = local_app_data_.wstring();
    run.timeout = std::chrono::minutes(3);
    return run_stub(run);
  }

  std::string log_text() const { return stub_log(local_app_data_); }

  fs::path cached_installer(const std::string& version) const {
    return local_app_data_ / "tavrin" / "Cache" / version /
           ("Corvald-Tavrin-Setup-" + version + ".exe");
  }

  fs::path app_exe() const {
    return local_app_data_ / "Programs" / "Corvald Tavrin" / "Corvald Tavrin.exe";
  }

  std::optional<net::HttpClient> client_;
  fs::path local_app_data_;
};

TEST_F(SilentE2eTest, FreshInstallDownloadsRunsTheInstallerAndExitsZero) {
  ASSERT_EQ(run_silent("150"), 0ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[silent] feed OK version=1.5.0"), std::string::npos) << log;
  EXPECT_EQ(log.find("[silent] cache HIT"), std::string::npos) << log;
  EXPECT_NE(log.find("[silent] NSIS exit code 0"), std::string::npos) << log;
  EXPECT_NE(log.find("[main] silent flow done, exit code 0"), std::string::npos) << log;
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");
  EXPECT_TRUE(fs::is_regular_file(app_exe())) << app_exe();
  EXPECT_TRUE(fs::is_regular_file(cached_installer("1.5.0"))) << cached_installer("1.5.0");
}

TEST_F(SilentE2eTest, SecondRunInstallsFromTheCache) {
  ASSERT_EQ(run_silent("150"), 0ul) << log_text();
  ASSERT_EQ(count_of(log_text(), "[silent] cache HIT"), 0u) << log_text();
  ASSERT_EQ(run_silent("150"), 0ul) << log_text();
  const std::string log = log_text();
  EXPECT_EQ(count_of(log, "[silent] cache HIT"), 1u) << log;
  EXPECT_EQ(count_of(log, "[silent] NSIS exit code 0"), 2u) << log;
  EXPECT_EQ(count_of(log, "[main] silent flow done, exit code 0"), 2u) << log;
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");
}

// What the installer from the devserver in $CORVALD_SILENT_DEVSERVERS/name serves.
std::string served_installer(const std::string& name, const std::string& version) {
  return file_bytes("Z:" + std::string(std::getenv("CORVALD_SILENT_DEVSERVERS")) + "/" + name +
                    "/release/Corvald-Tavrin-Setup-" + version + ".exe");
}

DWORD error_of(BOOL ok) { return ok ? ERROR_SUCCESS : GetLastError(); }

// While the installer runs (held at its start by a gate file), this test process tries to
// overwrite, rename and delete the cached file it was started from; each attempt meets a
// sharing violation, and the file that ran is the one the devserver served. The installer
// also opens itself while the stub holds it, so the hold must share read.
TEST_F(SilentE2eTest, RunningInstallerCannotBeSwapped) {
  const fs::path gate = local_app_data_ / "installer-gate";
  const fs::path installer = cached_installer("1.5.0");
  std::vector<DWORD> errors;
  std::thread attacker([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!fs::exists(gate.wstring() + L".running") &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const HANDLE writer = CreateFileW(installer.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    errors.push_back(error_of(writer != INVALID_HANDLE_VALUE));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    errors.push_back(
        error_of(MoveFileExW(installer.c_str(), (installer.wstring() + L".moved").c_str(), 0)));
    errors.push_back(error_of(DeleteFileW(installer.c_str())));
    std::ofstream(gate) << "open";
  });
  StubRun run;
  run.env[L"CORVALD_DEMO_INSTALLER_GATE"] = gate.wstring();
  const auto code = run_silent("150", run);
  attacker.join();

  EXPECT_EQ(code, 0ul) << log_text();
  EXPECT_EQ(errors, std::vector<DWORD>(3, ERROR_SHARING_VIOLATION));
  EXPECT_EQ(file_bytes(installer), served_installer("150", "1.5.0"));
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");
}

TEST_F(SilentE2eTest, OlderBuildOfTheFeedReplacesANewerInstalledOne) {
  ASSERT_EQ(run_silent("150"), 0ul) << log_text();
  ASSERT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");
  ASSERT_EQ(run_silent("140"), 0ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[silent] feed OK version=1.4.0"), std::string::npos) << log;
  EXPECT_EQ(count_of(log, "[main] silent flow done, exit code 0"), 2u) << log;
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.4.0");
  EXPECT_TRUE(fs::is_regular_file(cached_installer("1.4.0"))) << cached_installer("1.4.0");
}

TEST_F(SilentE2eTest, FailingInstallerGivesExitCode67) {
  EXPECT_EQ(run_silent("fail"), 67ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[silent] NSIS exit code 1603"), std::string::npos) << log;
  EXPECT_NE(log.find("[main] silent flow done, exit code 1603"), std::string::npos) << log;
  EXPECT_FALSE(uninstall_value(L"DisplayVersion").has_value());
  EXPECT_FALSE(fs::exists(app_exe()));
}

TEST_F(SilentE2eTest, NoBuildWithAHealthyInstallIsNothingToDo) {
  ASSERT_EQ(run_silent("150"), 0ul) << log_text();
  const std::size_t spawned = count_of(log_text(), "[silent] spawning NSIS");
  ASSERT_EQ(spawned, 1u) << log_text();

  control("150", "set?feed_status=204");
  EXPECT_EQ(run_silent("150"), 0ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[silent] feed FAILED status=204"), std::string::npos) << log;
  EXPECT_NE(log.find("installed 1.5.0 is healthy, nothing to do"), std::string::npos) << log;
  EXPECT_EQ(count_of(log, "[silent] spawning NSIS"), spawned) << log;
  EXPECT_EQ(count_of(log, "[main] silent flow done, exit code 0"), 2u) << log;
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");
}

TEST_F(SilentE2eTest, NoBuildWithoutAnInstallFails) {
  control("150", "set?feed_status=204");
  EXPECT_EQ(run_silent("150"), 1ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[main] silent flow failed: no build for this machine (HTTP 204): " +
                     server_url("150") + kFeedPath),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("[silent] spawning NSIS"), std::string::npos) << log;
  EXPECT_EQ(log.find("[main] silent flow done"), std::string::npos) << log;
  EXPECT_FALSE(uninstall_value(L"DisplayVersion").has_value());
}

TEST_F(SilentE2eTest, ServerErrorIsLoggedWithTheBodyMasked) {
  control("150", "set?feed_status=500&feed_body=" +
                     percent_encoded("upstream down, retry with sig=abcdefghij"));
  EXPECT_EQ(run_silent("150"), 1ul) << log_text();
  const std::string log = log_text();
  const auto failed = log.find("[silent] feed FAILED status=500");
  ASSERT_NE(failed, std::string::npos) << log;
  const std::string line = log.substr(failed, log.find('\n', failed) - failed);
  EXPECT_NE(line.find("body=upstream down, retry with sig=abc***hij"), std::string::npos) << line;
  EXPECT_EQ(log.find("abcdefghij"), std::string::npos) << log;
  EXPECT_NE(log.find("[main] silent flow failed: HTTP 500 for " + server_url("150") + kFeedPath),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("[silent] spawning NSIS"), std::string::npos) << log;
}

TEST_F(SilentE2eTest, CaptivePortalPageIsAParseError) {
  control("150", "set?feed_status=200&feed_content_type=text/html&feed_body=" +
                     percent_encoded("<html><body>Sign in to the hotel Wi-Fi</body></html>"));
  EXPECT_EQ(run_silent("150"), 1ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[main] silent flow failed: parse error: expected YAML feed but got "
                     "Content-Type=text/html (captive portal?)"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("[silent] spawning NSIS"), std::string::npos) << log;
  EXPECT_FALSE(uninstall_value(L"DisplayVersion").has_value());
}

// The feed announces its whole length and the connection closes two digits before the end of
// its size: the part that came still reads as a feed, of a smaller installer. The run fails on
// the feed and never asks for the installer; the same server, whole again, installs (so the run
// did reach it).
TEST_F(SilentE2eTest, FeedCutBeforeItsLengthFailsBeforeAnyDownload) {
  auto whole = client_->get(server_url("150") + kFeedPath, {});
  ASSERT_TRUE(whole.ok()) << whole.error().display();
  const std::string feed = std::move(whole.value()).read_to_end(65536).value();
  // "size: NNN\n" ends it, with at least three digits.
  ASSERT_TRUE(feed.size() > 4 &&
              feed.substr(feed.size() - 4).find_first_not_of("0123456789\n") == std::string::npos)
      << feed;
  const std::string cut = std::to_string(feed.size() - 3);
  control("150", "reset");
  control("150", "set?feed_drop_after=" + cut);
  EXPECT_EQ(run_silent("150"), 1ul) << log_text();
  const std::string log = log_text();
  EXPECT_NE(log.find("[main] silent flow failed: network error: response ended after " + cut +
                     " of " + std::to_string(feed.size()) + " bytes"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("[silent] feed OK"), std::string::npos) << log;
  EXPECT_EQ(log.find("[silent] download attempt"), std::string::npos) << log;
  EXPECT_EQ(log.find("[silent] spawning NSIS"), std::string::npos) << log;

  auto records = client_->get(server_url("150") + "/__control/requests", {});
  ASSERT_TRUE(records.ok()) << records.error().display();
  const auto text = std::move(records.value()).read_to_end(1 << 20);
  ASSERT_TRUE(text.ok()) << text.error().display();
  std::size_t feeds = 0;
  for (const ServerRecord& r : parse_record_lines(*text)) {
    EXPECT_EQ(r.path.find(".exe"), std::string::npos) << r.method << " " << r.path;
    if (r.path == kFeedPath) ++feeds;
  }
  EXPECT_EQ(feeds, 1u) << *text;
  EXPECT_FALSE(uninstall_value(L"DisplayVersion").has_value());

  control("150", kClearFeed);
  EXPECT_EQ(run_silent("150"), 0ul) << log_text();
}

}  // namespace
}  // namespace corvald::e2e
