// DLLs with system names planted beside corvald-setup.exe in a Downloads folder, with Wine told
// to prefer such copies (native first), which is what Windows does for every DLL off its
// KnownDLLs list. planting_test.sh starts this program with that override and a load trace in
// its Linux environment, the only place Wine reads either from; two control programs in the
// same folder prove that the override works, then a silent run, a silent run that meets TLS,
// and a windowed run of the stub (feed, download, install, launch, window, feedback dialog,
// About box) must load no marker.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "child_run.hpp"
#include "demo_install.hpp"
#include "devserver_port.hpp"
#include "devserver_records.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"
#include "ui_automation.hpp"

namespace corvald::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string env_text(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// A Linux path as this Windows program reaches it.
fs::path from_linux(const std::string& path) { return fs::path("Z:" + path); }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, separator);) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The DLLs process `pid` loaded, as Wine's loaddll channel reports them ("+pid,+loaddll"):
// lower-case file name, and the path it came from.
std::multimap<std::string, std::string> loaded_by(unsigned long pid, const fs::path& trace) {
  static const std::regex line(
      R"re(^([0-9a-f]+):[0-9a-f]+:trace:loaddll:build_module Loaded L"(.*)" at [0-9A-Fa-f]+: \w+)re");
  std::multimap<std::string, std::string> loaded;
  std::ifstream in(trace, std::ios::binary);
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (!std::regex_search(text, m, line) || std::stoul(m[1], nullptr, 16) != pid) continue;
    std::string path = std::regex_replace(m[2].str(), std::regex(R"(\\\\)"), "\\");
    const std::string name = lower(path.substr(path.find_last_of('\\') + 1));
    if (!name.ends_with(".exe")) loaded.emplace(name, std::move(path));
  }
  return loaded;
}

class PlantingE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    planted_ = split(env_text("CORVALD_PLANTED"), ',');
    ASSERT_FALSE(planted_.empty()) << "planting_test.sh sets CORVALD_PLANTED";
    trace_ = from_linux(env_text("CORVALD_PLANTING_TRACE"));
    ASSERT_TRUE(fs::exists(trace_)) << "no load trace at " << trace_;
    for (const auto& name : split(env_text("CORVALD_PLANTING_EXPECTED"), ',')) {
      expected_.insert(name);
    }
    base_ = devserver_base_url();
    ASSERT_FALSE(base_.empty()) << "no running devserver in CORVALD_DEVSERVER_DIR";
    ASSERT_TRUE(devserver_control("reset"));

    downloads_ = fresh_folder("planting-downloads");
    const fs::path bin = stub_exe().parent_path();
    for (const char* program : {"corvald-setup.exe", "control_import.exe", "control_load.exe"}) {
      fs::copy_file(bin / program, downloads_ / program);
    }
    for (const auto& name : planted_) {
      fs::copy_file(bin / "planting" / "winhttp.dll", downloads_ / name);
    }
  }

  void TearDown() override {
    (void)devserver_control("set?rate=0");
    forget_installation();
    std::error_code ignored;
    fs::remove_all(downloads_, ignored);
  }

  std::vector<std::string> markers_left() const {
    std::vector<std::string> loaded;
    for (const auto& name : planted_) {
      if (fs::exists(downloads_ / (name + ".loaded"))) loaded.push_back(name);
    }
    return loaded;
  }

  void clear_markers() const {
    for (const auto& name : planted_) fs::remove(downloads_ / (name + ".loaded"));
  }

  ChildRun stub_run(const fs::path& local_app_data) const {
    ChildRun run;
    run.program = downloads_ / "corvald-setup.exe";
    run.env[L"LOCALAPPDATA"] = local_app_data.wstring();
    run.env[L"APP_INSTALLER_SERVICE_URL"] = std::wstring(base_.begin(), base_.end());
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = std::nullopt;
    run.env[L"APP_INSTALLER_LOCALE"] = L"en";
    run.env[L"CORVALD_DEMO_EXIT_AFTER_MS"] = L"200";  // the application the run launches
    run.timeout = 60s;
    return run;
  }

  // What process `pid` loaded that it must not have: anything from the Downloads folder, and
  // any DLL missing from loaded_dlls.txt, whose names decide what is planted.
  void expect_clean_loads(unsigned long pid, const std::string& run) {
    const auto loaded = loaded_by(pid, trace_);
    EXPECT_FALSE(loaded.empty()) << run << ": the trace holds nothing of process " << pid;
    const std::string folder = lower(downloads_.string());
    std::set<std::string> names;
    for (const auto& [name, path] : loaded) {
      names.insert(name);
      EXPECT_EQ(lower(path).rfind(folder, 0), std::string::npos)
          << run << " run loaded " << path << " from the Downloads folder";
      EXPECT_TRUE(expected_.contains(name))
          << run << " run loaded " << name << " (" << path
          << "), which tests/e2e/planting/loaded_dlls.txt lacks, so no copy of it was planted; "
             "regenerate the list: CORVALD_PLANTING_RECORD=1 ./dev test PlantingE2eTest";
    }
    EXPECT_EQ(markers_left(), std::vector<std::string>{}) << run << " run loaded a marker";
    observed_.insert(names.begin(), names.end());
    std::ofstream out(from_linux(env_text("CORVALD_PLANTING_OBSERVED")), std::ios::binary);
    for (const auto& name : observed_) out << name << "\n";
  }

  std::vector<std::string> planted_;
  std::set<std::string> expected_;
  std::set<std::string> observed_;
  fs::path trace_;
  fs::path downloads_;
  std::string base_;
};

TEST_F(PlantingE2eTest, DllsPlantedBesideTheStubNeverLoad) {
  // The controls first: without a defence, the planted copies are what loads.
  ChildRun import_control;
  import_control.program = downloads_ / "control_import.exe";
  EXPECT_EQ(run_child(import_control), 0ul);
  ASSERT_TRUE(fs::exists(downloads_ / "winhttp.dll.loaded"))
      << "the native-first override did not take effect: a program importing winhttp.dll did "
         "not load the copy beside it";
  clear_markers();
  ChildRun load_control;
  load_control.program = downloads_ / "control_load.exe";
  for (const auto& name : planted_) load_control.args.emplace_back(name.begin(), name.end());
  EXPECT_EQ(run_child(load_control), 0ul);
  for (const auto& name : planted_) {
    EXPECT_TRUE(fs::exists(downloads_ / (name + ".loaded")))
        << "the native-first override did not take effect for " << name
        << ": LoadLibraryW did not take the copy beside the program";
  }
  clear_markers();
  ASSERT_FALSE(HasFailure());

  // Silent: feed, download, verification and the installer.
  forget_installation();
  const fs::path silent_home = fresh_folder("planting-silent");
  ChildRun silent = stub_run(silent_home);
  silent.args = {L"/S"};
  auto started = RunningChild::start(silent);
  ASSERT_TRUE(started);
  const unsigned long silent_pid = started->pid();
  EXPECT_EQ(started->wait(silent.timeout), 0ul) << stub_log(silent_home);
  started.reset();  // ends a run that hangs, as one that loaded a marker may
  expect_clean_loads(silent_pid, "silent");
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0");

  // Silent against an https service: the security packages load, then the stub refuses the
  // server's self-made certificate.
  const fs::path https_home = fresh_folder("planting-https");
  ChildRun https = stub_run(https_home);
  https.args = {L"/S"};
  const std::string https_url = env_text("CORVALD_PLANTING_HTTPS");
  https.env[L"APP_INSTALLER_SERVICE_URL"] = std::wstring(https_url.begin(), https_url.end());
  auto refused = RunningChild::start(https);
  ASSERT_TRUE(refused);
  const unsigned long https_pid = refused->pid();
  EXPECT_EQ(refused->wait(https.timeout), 1ul) << stub_log(https_home);
  refused.reset();
  EXPECT_NE(stub_log(https_home).find("WinHttpSendRequest: 0x80072F7D"), std::string::npos)
      << "no TLS failure: " << stub_log(https_home);
  expect_clean_loads(https_pid, "https");

  // Windowed: the window, the feedback dialog and the About box over a download slow enough
  // to leave time for both.
  forget_installation();
  ASSERT_TRUE(devserver_control("set?rate=400000"));
  const fs::path windowed_home = fresh_folder("planting-windowed");
  const ChildRun windowed = stub_run(windowed_home);
  auto stub = RunningChild::start(windowed);
  ASSERT_TRUE(stub);
  HWND window = wait_for_window(stub->pid(), L"Corvald Tavrin Installer", 30s);
  ASSERT_NE(window, nullptr) << stub_log(windowed_home);
  const auto buttons = controls_of(window);
  ASSERT_EQ(buttons.size(), 9u);
  click(buttons[7].handle);  // Feedback
  HWND dialog = wait_for_window(stub->pid(), L"Send Feedback", 10s);
  EXPECT_NE(dialog, nullptr);
  if (dialog != nullptr) close_window(dialog);
  click(buttons[8].handle);  // About
  HWND about = wait_for_window(stub->pid(), L"About Corvald Tavrin", 10s);
  EXPECT_NE(about, nullptr);
  if (about != nullptr) close_window(about);
  ASSERT_TRUE(devserver_control("set?rate=0"));
  const unsigned long windowed_pid = stub->pid();
  EXPECT_EQ(stub->wait(windowed.timeout), 0ul) << stub_log(windowed_home);
  stub.reset();
  EXPECT_EQ(uninstall_value(L"DisplayVersion"), L"1.5.0") << stub_log(windowed_home);
  expect_clean_loads(windowed_pid, "windowed");

  std::error_code ignored;
  fs::remove_all(silent_home, ignored);
  fs::remove_all(https_home, ignored);
  fs::remove_all(windowed_home, ignored);
}

}  // namespace
}  // namespace corvald::e2e
