// The demo Corvald Tavrin installers, run for real: the per-user install, its uninstall entry,
// an upgrade, a failing installer and the installed app itself. Other end-to-end tests rely on
// these installers behaving like the product's, so this pins down what they leave behind.
#include <gtest/gtest.h>

#include "child_run.hpp"
#include "demo_install.hpp"
#include "file_bytes.hpp"

namespace corvald::e2e {
namespace {

class DemoInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    // Another test may have left an entry behind; each case starts from no installation.
    forget_installation();
    local_app_data_ = std::filesystem::temp_directory_path() / "corvald-e2e-demo-installer";
    std::filesystem::remove_all(local_app_data_);
    std::filesystem::create_directories(local_app_data_);
    install_dir_ = local_app_data_ / "Programs" / "Corvald Tavrin";
  }

  void TearDown() override {
    forget_installation();
    std::error_code ignored;
    std::filesystem::remove_all(local_app_data_, ignored);
  }

  std::optional<unsigned long> run_installer(const std::filesystem::path& setup) {
    ChildRun run;
    run.program = setup;
    run.args = {L"/S"};
    run.env[L"LOCALAPPDATA"] = local_app_data_.wstring();
    return run_child(run);
  }

  std::filesystem::path app_exe() const { return install_dir_ / "Corvald Tavrin.exe"; }

  std::filesystem::path local_app_data_;
  std::filesystem::path install_dir_;
};

TEST_F(DemoInstaller, InstallsPerUserAndWritesTheUninstallEntry) {
  ASSERT_EQ(run_installer(demo_installer("1.4.0", "1.4.0")), 0ul);

  EXPECT_TRUE(std::filesystem::is_regular_file(app_exe())) << app_exe();
  EXPECT_EQ(uninstall_value(L"DisplayName"), L"Corvald Tavrin");
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.4.0");
  EXPECT_EQ(uninstall_value(L"DisplayIcon"), L"\"" + app_exe().wstring() + L"\",0");
  EXPECT_EQ(uninstall_value(L"InstallLocation"), install_dir_.wstring());
  const auto uninstaller = uninstall_value(L"UninstallString");
  ASSERT_TRUE(uninstaller.has_value());
  ASSERT_GE(uninstaller->size(), 2u);
  EXPECT_EQ(uninstaller->front(), L'"');
  EXPECT_EQ(uninstaller->back(), L'"');
  EXPECT_TRUE(std::filesystem::is_regular_file(uninstaller->substr(1, uninstaller->size() - 2)))
      << *uninstaller;
}

TEST_F(DemoInstaller, UpgradeReplacesTheVersionAndTheAppStarts) {
  ASSERT_EQ(run_installer(demo_installer("1.4.0", "1.4.0")), 0ul);
  ASSERT_EQ(run_installer(demo_installer("1.5.0", "1.5.0")), 0ul);
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");

  const auto marker = local_app_data_ / "launched.txt";
  ChildRun app;
  app.program = app_exe();
  app.env[L"CORVALD_DEMO_MARKER"] = marker.wstring();
  app.env[L"CORVALD_DEMO_EXIT_AFTER_MS"] = L"200";
  ASSERT_EQ(run_child(app), 0ul);
  EXPECT_EQ(file_bytes(marker), "launched 1.5.0\n");
}

TEST_F(DemoInstaller, FailingInstallerExitsWith1603AndInstallsNothing) {
  EXPECT_EQ(run_installer(demo_installer("1.6.0-fail1603", "1.6.0")), 1603ul);
  EXPECT_FALSE(std::filesystem::exists(app_exe()));
  EXPECT_FALSE(uninstall_entry_exists());
}

TEST_F(DemoInstaller, UninstallerRemovesTheAppAndTheEntry) {
  ASSERT_EQ(run_installer(demo_installer("1.5.0", "1.5.0")), 0ul);
  const auto uninstaller = uninstall_value(L"UninstallString");
  ASSERT_TRUE(uninstaller.has_value());
  ASSERT_GE(uninstaller->size(), 2u);

  // Without "_?=" the uninstaller copies itself to %TEMP% and returns before it has done
  // anything; with it, it runs in place and its exit means the work is done.
  ChildRun uninstall;
  uninstall.program = uninstaller->substr(1, uninstaller->size() - 2);
  uninstall.args = {L"/S"};
  uninstall.verbatim_tail = L"_?=" + install_dir_.wstring();
  ASSERT_EQ(run_child(uninstall), 0ul);
  EXPECT_FALSE(std::filesystem::exists(app_exe()));
  EXPECT_FALSE(uninstall_entry_exists());
}

}  // namespace
}  // namespace corvald::e2e
