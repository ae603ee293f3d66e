// The windowed pipeline worker under Wine with the real demo NSIS installer as the release: the
// download, the installer run, the HKCU uninstall entry, the launch of the installed app and
// the telemetry the devserver received. The devserver of these cases is not the one named by
// CORVALD_DEVSERVER_DIR for the rest of this program; its folder is compiled in, and the cases
// point CORVALD_DEVSERVER_DIR at it while they run.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_run.hpp"
#include "demo_install.hpp"
#include "devserver_port.hpp"
#include "devserver_records.hpp"
#include "file_bytes.hpp"
#include "startup/run_settings.hpp"
#include "worker/worker.hpp"

#ifndef CORVALD_WORKER_NSIS_DEVSERVER_DIR
#error "CORVALD_WORKER_NSIS_DEVSERVER_DIR must name the devserver folder of these cases"
#endif

namespace corvald {
namespace {

namespace fs = std::filesystem;

// The names of the events the devserver received, in arrival order.
std::vector<std::string> event_names(const std::vector<e2e::ServerRecord>& reports) {
  std::vector<std::string> names;
  const std::string key = "\"event_name\":\"";
  for (const auto& r : reports) {
    const auto at = r.body.find(key);
    if (at == std::string::npos) {
      names.emplace_back();
      continue;
    }
    const auto start = at + key.size();
    names.push_back(r.body.substr(start, r.body.find('"', start) - start));
  }
  return names;
}

bool has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += n + " ";
  return out;
}

struct Sample {
  Phase phase;
  std::uint32_t percent;
};

class WorkerInstallerE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // devserver_base_url() and devserver_reports() read the CRT environment.
    if (const char* old = std::getenv("CORVALD_DEVSERVER_DIR")) old_devserver_dir_ = old;
    ASSERT_EQ(_putenv_s("CORVALD_DEVSERVER_DIR", CORVALD_WORKER_NSIS_DEVSERVER_DIR), 0);
    const std::string base = devserver_base_url();
    ASSERT_FALSE(base.empty()) << "no running devserver in " << CORVALD_WORKER_NSIS_DEVSERVER_DIR;
    ASSERT_TRUE(e2e::devserver_control("reset"));

    // Another test may have left an entry behind; each case starts from no installation.
    e2e::forget_installation();
    folder_ = fs::temp_directory_path() /
              ("corvald-worker-nsis-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "LocalAppData");
    local_app_data_ = folder_ / "LocalAppData";
    marker_ = folder_ / "launched.txt";
    const std::wstring wbase(base.begin(), base.end());
    set_env(L"APP_INSTALLER_SERVICE_URL", wbase.c_str());
    set_env(L"APP_INSTALLER_TELEMETRY_URL", (wbase + L"/api/v2/report").c_str());
    set_env(L"LOCALAPPDATA", local_app_data_.wstring().c_str());
    set_env(L"APP_INSTALLER_SKIP_INSTALL", nullptr);
    set_env(L"CORVALD_DEMO_MARKER", marker_.wstring().c_str());
    set_env(L"CORVALD_DEMO_EXIT_AFTER_MS", L"200");
  }

  void TearDown() override {
    e2e::forget_installation();
    for (const wchar_t* name :
         {L"APP_INSTALLER_SERVICE_URL", L"APP_INSTALLER_TELEMETRY_URL", L"LOCALAPPDATA",
          L"CORVALD_DEMO_MARKER", L"CORVALD_DEMO_EXIT_AFTER_MS"}) {
      SetEnvironmentVariableW(name, nullptr);
    }
    _putenv_s("CORVALD_DEVSERVER_DIR", old_devserver_dir_.c_str());
    // The launched app may still hold its exe open for a moment after writing the marker.
    std::error_code ec;
    for (int i = 0; i < 50; ++i) {
      fs::remove_all(folder_, ec);
      if (!ec) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  static void set_env(const wchar_t* name, const wchar_t* value) {
    ASSERT_TRUE(SetEnvironmentVariableW(name, value) || value == nullptr) << "set env failed";
  }

  fs::path install_dir() const { return local_app_data_ / "Programs" / "Corvald Tavrin"; }
  fs::path app_exe() const { return install_dir() / "Corvald Tavrin.exe"; }

  // Runs one demo installer silently into this case's LOCALAPPDATA.
  void install(const std::string& version) {
    e2e::ChildRun run;
    run.program = e2e::demo_installer(version, version);
    run.args = {L"/S"};
    run.env[L"LOCALAPPDATA"] = local_app_data_.wstring();
    ASSERT_EQ(e2e::run_child(run), 0ul) << run.program;
    ASSERT_EQ(e2e::uninstall_value(L"DisplayVersion"),
              std::wstring(version.begin(), version.end()));
    ASSERT_TRUE(fs::is_regular_file(app_exe()));
  }

  // Runs the worker on its own thread, as the window does, sampling the status from this
  // thread until the worker returns. Which samples are caught depends on scheduling, so
  // callers check their order, never their number.
  std::vector<Sample> run() {
    std::vector<Sample> samples;
    // The settings of a run started now, with the variables this case has set.
    std::thread worker(
        [this, settings = read_run_settings()] { run_worker(status_, cancel_, settings); });
    for (;;) {
      const auto s = status_->snapshot();
      if (samples.empty() || samples.back().phase != s.phase ||
          samples.back().percent != s.percent) {
        samples.push_back({s.phase, s.percent});
      }
      if (s.finished) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    samples.push_back({status_->snapshot().phase, status_->snapshot().percent});
    return samples;
  }

  // The marker the launched app writes; polled a bounded number of times, since the worker
  // does not wait for the app.
  std::string marker_text() const {
    for (int i = 0; i < 600; ++i) {
      const std::string text = e2e::file_bytes(marker_);
      if (!text.empty() && text.back() == '\n') return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return e2e::file_bytes(marker_);
  }

  void expect_done() const {
    const auto s = status_->snapshot();
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(s.phase, Phase::done) << s.text;
    EXPECT_EQ(s.percent, 100u);
    EXPECT_FALSE(s.error_text.has_value()) << s.error_text.value_or("");
    EXPECT_EQ(s.target_version, "1.5.0");
  }

  std::string old_devserver_dir_;
  fs::path folder_;
  fs::path local_app_data_;
  fs::path marker_;
  SharedUiStatus status_ = std::make_shared<UiStatus>();
  SharedCancelFlag cancel_ = std::make_shared<CancelFlag>();
};

TEST_F(WorkerInstallerE2eTest, FreshInstallInstallsThenLaunchesTheApp) {
  run();
  expect_done();
  EXPECT_EQ(e2e::uninstall_value(L"DisplayVersion"), L"1.5.0");
  EXPECT_EQ(e2e::uninstall_value(L"DisplayIcon"), L"\"" + app_exe().wstring() + L"\",0");
  EXPECT_TRUE(fs::is_regular_file(app_exe()));
  EXPECT_EQ(marker_text(), "launched 1.5.0\n");

  const auto reports = e2e::devserver_reports();
  const auto names = event_names(reports);
  EXPECT_TRUE(has(names, "install_completed")) << joined(names);
  EXPECT_TRUE(has(names, "app_launched")) << joined(names);
  EXPECT_FALSE(has(names, "install_skipped_up_to_date")) << joined(names);
  ASSERT_TRUE(has(names, "stub_completed")) << joined(names);
  const auto& last =
      reports[std::find(names.begin(), names.end(), "stub_completed") - names.begin()];
  EXPECT_NE(last.body.find("\"outcome\":\"success\""), std::string::npos) << last.body;
}

TEST_F(WorkerInstallerE2eTest, SameVersionInstalledSkipsTheInstallerAndLaunches) {
  ASSERT_NO_FATAL_FAILURE(install("1.5.0"));

  run();
  expect_done();
  EXPECT_EQ(marker_text(), "launched 1.5.0\n");

  const auto names = event_names(e2e::devserver_reports());
  EXPECT_TRUE(has(names, "install_skipped_up_to_date")) << joined(names);
  EXPECT_FALSE(has(names, "install_completed")) << joined(names);
  EXPECT_FALSE(has(names, "install_forced_exe_missing")) << joined(names);
  EXPECT_TRUE(has(names, "app_launched")) << joined(names);
}

TEST_F(WorkerInstallerE2eTest, SameVersionWithTheExeMissingInstallsAgain) {
  ASSERT_NO_FATAL_FAILURE(install("1.5.0"));
  ASSERT_TRUE(fs::remove(app_exe()));

  run();
  expect_done();
  EXPECT_TRUE(fs::is_regular_file(app_exe()));
  EXPECT_EQ(e2e::uninstall_value(L"DisplayVersion"), L"1.5.0");
  EXPECT_EQ(marker_text(), "launched 1.5.0\n");

  const auto names = event_names(e2e::devserver_reports());
  EXPECT_TRUE(has(names, "install_forced_exe_missing")) << joined(names);
  EXPECT_TRUE(has(names, "install_completed")) << joined(names);
  EXPECT_FALSE(has(names, "install_skipped_up_to_date")) << joined(names);
  EXPECT_TRUE(has(names, "app_launched")) << joined(names);
}

TEST_F(WorkerInstallerE2eTest, OlderVersionWithTheExeMissingUpgradesWithoutForcing) {
  ASSERT_NO_FATAL_FAILURE(install("1.4.0"));
  ASSERT_TRUE(fs::remove(app_exe()));

  run();
  expect_done();
  EXPECT_EQ(e2e::uninstall_value(L"DisplayVersion"), L"1.5.0");
  EXPECT_TRUE(fs::is_regular_file(app_exe()));
  EXPECT_EQ(marker_text(), "launched 1.5.0\n");

  const auto names = event_names(e2e::devserver_reports());
  EXPECT_FALSE(has(names, "install_forced_exe_missing")) << joined(names);
  EXPECT_TRUE(has(names, "install_completed")) << joined(names);
  EXPECT_FALSE(has(names, "install_skipped_up_to_date")) << joined(names);
}

TEST_F(WorkerInstallerE2eTest, StatusPhasesOnlyMoveForwardThroughTheDownload) {
  const auto samples = run();

  std::string seen;
  for (const auto& s : samples)
    seen += std::to_string(int(s.phase)) + ":" + std::to_string(s.percent) + " ";
  std::cout << "[          ] sampled phase:percent " << seen << "\n";

  // Pipeline order; cached_verified is skipped on a download, so it is allowed, not required.
  const std::vector<Phase> order = {Phase::created,         Phase::checking,   Phase::downloading,
                                    Phase::cached_verified, Phase::installing, Phase::done};
  std::size_t at = 0;
  for (const auto& s : samples) {
    while (at < order.size() && order[at] != s.phase) ++at;
    ASSERT_LT(at, order.size()) << "phase " << int(s.phase) << " out of order in " << seen;
  }
  // Whatever download percentages were caught stay below the installer's share and never
  // go back.
  std::uint32_t last_download_percent = 0;
  for (const auto& s : samples) {
    if (s.phase != Phase::downloading) continue;
    EXPECT_LE(s.percent, 95u) << seen;
    EXPECT_GE(s.percent, last_download_percent) << seen;
    last_download_percent = s.percent;
  }
  expect_done();
  EXPECT_EQ(marker_text(), "launched 1.5.0\n");
}

}  // namespace
}  // namespace corvald
