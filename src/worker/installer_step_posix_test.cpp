// The installer step end to end on POSIX: shell scripts stand in for the installer and the
// application, the memory registry for the uninstall entries.
#include "worker/installer_step.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "i18n/i18n.hpp"
#include "platform/test/memory_registry.hpp"
#include "verify/file_digest.hpp"

namespace corvald {
namespace {

using platform::RegistryRoot;

class InstallerStepRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvald_installer_step_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path script(const std::string& name, const std::string& body) {
    const auto path = dir_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
  }
  void installed(const std::string& version, const std::filesystem::path& exe) {
    auto& values = registry_.keys[{RegistryRoot::current_user,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\x"}];
    values["DisplayName"] = std::string("Corvald Tavrin");
    values["DisplayVersion"] = version;
    values["DisplayIcon"] = exe.string();
  }
  // The feed describes the installer as it is now, unless the test changes it afterwards.
  static feed::Feed feed_for(const std::filesystem::path& installer, const std::string& target) {
    return feed::Feed{target, "https://cdn.example/setup.exe",
                      verify::sha512_base64_of_file(installer).value(), std::nullopt,
                      std::filesystem::file_size(installer)};
  }
  Result<void> run(const std::filesystem::path& installer, const std::string& target) {
    return run(installer, feed_for(installer, target));
  }
  Result<void> run(const std::filesystem::path& installer, const feed::Feed& feed) {
    auto held = cache::hold_verified(installer, feed);
    if (!held) return std::move(held).error();
    return run_installer_step(context(), std::move(held).value(), feed);
  }
  InstallerStepContext context() {
    return {registry_,    dir_ / "tavrin" / "Cache", Clock::real(), status_, cancel_, nullptr,
            skip_install_};
  }
  bool ran(const char* marker) { return std::filesystem::exists(dir_ / marker); }

  std::filesystem::path dir_;
  platform::testing::MemoryRegistry registry_;
  UiStatus status_;
  CancelFlag cancel_;
  bool skip_install_ = false;
};

TEST_F(InstallerStepRun, CancelAndSkipStopBeforeAnythingRuns) {
  const auto setup = script("setup.exe", "touch \"$(dirname \"$0\")/installed\"");
  installed("1.0", dir_ / "gone.exe");
  skip_install_ = true;
  EXPECT_TRUE(run(setup, "2.0"));
  EXPECT_EQ(status_.snapshot().phase, Phase::done);
  EXPECT_FALSE(status_.snapshot().finished);

  cancel_.cancel();
  auto result = run(setup, "2.0");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::cancelled);
  EXPECT_FALSE(ran("installed"));
}

TEST_F(InstallerStepRun, CurrentInstallIsLaunchedInsteadOfInstalling) {
  const auto setup = script("setup.exe", "touch \"$(dirname \"$0\")/installed\"");
  installed("1.4.0", script("app.exe", "exit 0"));
  EXPECT_TRUE(run(setup, "1.4"));
  EXPECT_FALSE(ran("installed"));
  EXPECT_EQ(status_.snapshot().text,
            i18n::tr_with("ui.status.launching", {{"app", "Corvald Tavrin"}}));
}

TEST_F(InstallerStepRun, MissingExeForcesReinstallAndFallsBackAfterIt) {
  const auto setup =
      script("setup.exe", "[ \"$1\" = /S ] && touch \"$(dirname \"$0\")/installed\"");
  installed("1.4", dir_ / "deleted.exe");
  EXPECT_TRUE(run(setup, "1.4"));
  EXPECT_TRUE(ran("installed"));
  EXPECT_EQ(status_.snapshot().text, i18n::tr("ui.status.install_complete"));
  EXPECT_TRUE(status_.snapshot().finished);
}

TEST_F(InstallerStepRun, NonZeroExitFailsTheStepWithoutLaunching) {
  installed("1.3.9", script("app.exe", "exit 0"));
  auto result = run(script("setup.exe", "exit 3"), "1.4");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().text(), "installer exited with code 3");
  EXPECT_EQ(status_.snapshot().phase, Phase::installing);
  EXPECT_FALSE(status_.snapshot().finished);
}

// Whatever stands at the path when the installer is started is checked again: one swapped
// since the cache or the download verified it never runs.
TEST_F(InstallerStepRun, InstallerChangedSinceItsVerificationNeverRuns) {
  const auto setup = script("setup.exe", "touch \"$(dirname \"$0\")/installed\"");
  const feed::Feed verified = feed_for(setup, "1.4");
  script("setup.exe", "touch \"$(dirname \"$0\")/swapped\"");
  auto result = run(setup, verified);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), StubError::Kind::verify);
  EXPECT_FALSE(ran("installed"));
  EXPECT_FALSE(ran("swapped"));
}

}  // namespace
}  // namespace corvald
