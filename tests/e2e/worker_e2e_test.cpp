// The windowed pipeline worker under Wine against a devserver serving a small release: the
// real feed request, cache and download, with the installer itself skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "devserver_port.hpp"
#include "i18n/i18n.hpp"
#include "startup/run_settings.hpp"
#include "worker/worker.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;

class WorkerE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string base = devserver_base_url();
    ASSERT_FALSE(base.empty()) << "CORVALD_DEVSERVER_DIR names no running devserver";
    folder_ = fs::temp_directory_path() /
              ("corvald-worker-e2e-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    set_env(L"APP_INSTALLER_SERVICE_URL", std::wstring(base.begin(), base.end()));
    set_env(L"LOCALAPPDATA", folder_.wstring());
    set_env(L"APP_INSTALLER_SKIP_INSTALL", L"1");
  }

  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  static void set_env(const wchar_t* name, const std::wstring& value) {
    ASSERT_TRUE(SetEnvironmentVariableW(name, value.c_str()));
  }

  // Runs the worker on its own thread, as the window does, and records every phase change
  // the window's timer could have seen.
  std::vector<Phase> run(const SharedCancelFlag& cancel) {
    std::vector<Phase> phases;
    // The settings of a run started now, with the variables this case has set.
    std::thread worker(
        [this, cancel, settings = read_run_settings()] { run_worker(status_, cancel, settings); });
    for (;;) {
      const auto s = status_->snapshot();
      if (phases.empty() || phases.back() != s.phase) phases.push_back(s.phase);
      if (s.finished) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    return phases;
  }

  fs::path folder_;
  SharedUiStatus status_ = std::make_shared<UiStatus>();
};

TEST_F(WorkerE2eTest, DownloadsIntoTheCacheAndFinishesDoneWhenInstallIsSkipped) {
  const auto phases = run(std::make_shared<CancelFlag>());

  // Each phase seen must come later in the pipeline than the one before it.
  const std::vector<Phase> order = {Phase::created, Phase::checking, Phase::downloading,
                                    Phase::done};
  std::size_t at = 0;
  for (const Phase p : phases) {
    while (at < order.size() && order[at] != p) ++at;
    ASSERT_LT(at, order.size()) << "phase " << int(p) << " out of order";
  }
  const auto s = status_->snapshot();
  EXPECT_EQ(s.phase, Phase::done) << s.text;
  EXPECT_EQ(s.percent, 100u);
  EXPECT_FALSE(s.error_text.has_value()) << *s.error_text;
  EXPECT_EQ(s.target_version, "1.5.0");
  EXPECT_TRUE(fs::is_regular_file(folder_ / "tavrin" / "Cache" / "1.5.0" /
                                  "Corvald-Tavrin-Setup-1.5.0.exe"));
}

TEST_F(WorkerE2eTest, CancelBeforeTheFeedEndsCancelledWithoutATarget) {
  auto cancel = std::make_shared<CancelFlag>();
  cancel->cancel();
  run(cancel);

  const auto s = status_->snapshot();
  EXPECT_EQ(s.phase, Phase::failed);
  EXPECT_EQ(s.text, i18n::tr("ui.status.cancelled"));
  EXPECT_EQ(s.error_text, s.text);
  EXPECT_FALSE(s.target_version.has_value());
}

}  // namespace
}  // namespace corvald
