// corvald-setup.exe started for real: log file, crash-dump registration, single instance.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "build_info.hpp"
#include "platform/registry.hpp"
#include "platform/win_handles.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"
#include "text/format.hpp"
#include "wer_setup/crash_dumps.hpp"

namespace corvald::e2e {
namespace {

// The lines the stub logged under this LOCALAPPDATA.
std::vector<std::string> log_lines(const std::filesystem::path& local_app_data) {
  std::istringstream in(stub_log(local_app_data));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Silent, so that no window waits for someone to close it.
StubRun run_in(const std::filesystem::path& local_app_data) {
  StubRun run;
  run.args = {L"/S"};
  run.env[L"LOCALAPPDATA"] = local_app_data.wstring();
  run.env[L"APP_INSTALLER_REPORT_LOG"] = std::nullopt;
  // An empty reporting URL keeps every run off the network; events fail and are logged.
  run.env[L"APP_INSTALLER_TELEMETRY_URL"] = L"";
  return run;
}

TEST(StartupTest, FirstLineOfAFreshLogIsTheNewRunLine) {
  const auto home = fresh_folder("first-line");
  ASSERT_TRUE(run_stub(run_in(home)).has_value());

  const auto lines = log_lines(home);
  ASSERT_GE(lines.size(), 2u);
  const std::regex new_run(
      R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[INFO\] corvald-installer - )"
      R"(=== new run: version=0\.1\.117 pid=[1-9]\d* ===$)");
  EXPECT_TRUE(std::regex_match(lines[0], new_run)) << lines[0];
  const std::string launched =
      "[main] launched silent=true args=[\"" +
      std::regex_replace(text::path_to_utf8(stub_exe()), std::regex(R"(\\)"), R"(\\)") +
      "\", \"/S\"]";
  bool found = false;
  for (const auto& line : lines) found = found || line.ends_with(launched);
  EXPECT_TRUE(found) << "no line ends with: " << launched;
}

TEST(StartupTest, RegistersLocalDumpsForItsExecutable) {
  const auto home = fresh_folder("wer");
  ASSERT_TRUE(run_stub(run_in(home)).has_value());

  platform::UniqueRegKey key;
  const std::wstring path = L"Software\\Microsoft\\Windows\\Windows Error Reporting\\LocalDumps\\" +
                            stub_exe().filename().wstring();
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.put()),
            ERROR_SUCCESS);
  DWORD type = 0, value = 0, size = sizeof(value);
  ASSERT_EQ(RegQueryValueExW(key.get(), L"DumpType", nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 2u);
  size = sizeof(value);
  ASSERT_EQ(RegQueryValueExW(key.get(), L"DumpCount", nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 5u);

  wchar_t folder[1024] = {};
  size = sizeof(folder);
  ASSERT_EQ(RegQueryValueExW(key.get(), L"DumpFolder", nullptr, &type,
                             reinterpret_cast<BYTE*>(folder), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  const std::wstring expected = home.wstring() + L"\\CrashDumps";
  EXPECT_EQ(std::wstring(folder), expected);
  EXPECT_EQ(size, (expected.size() + 1) * sizeof(wchar_t));  // the NUL is part of the data
  EXPECT_TRUE(std::filesystem::is_directory(home / "CrashDumps"));
}

TEST(StartupTest, ASecondStartWhileTheMutexIsHeldExitsWithTwo) {
  const auto home = fresh_folder("mutex");
  const std::wstring name = L"Global\\corvald-installer-0.1.117";
  platform::UniqueKernelHandle held(CreateMutexW(nullptr, TRUE, name.c_str()));
  ASSERT_TRUE(held);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  auto code = run_stub(run_in(home));
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 2u);
  const auto lines = log_lines(home);
  bool announced = false;
  for (const auto& line : lines) {
    announced = announced || line.ends_with("[main] another instance is already running — exiting");
  }
  EXPECT_TRUE(announced);

  // Another version's mutex does not block this one.
  held.reset();
  platform::UniqueKernelHandle other(
      CreateMutexW(nullptr, TRUE, L"Global\\corvald-installer-0.1.116"));
  code = run_stub(run_in(home));
  ASSERT_TRUE(code.has_value());
  EXPECT_NE(*code, 2u);
}

TEST(StartupTest, ReportLogModeIsChosenByExactlyOneAndNothingElse) {
  const auto home = fresh_folder("modes");
  auto run = run_in(home);
  // Nothing listens on port 1, so the report cannot be delivered and the mode fails.
  run.env[L"APP_INSTALLER_SERVICE_URL"] = L"http://127.0.0.1:1";
  run.env[L"APP_INSTALLER_REPORT_LOG"] = L"1";
  EXPECT_EQ(run_stub(run), 1u);
  auto text = stub_log(home);
  EXPECT_NE(text.find("[report-log] start app_id="), std::string::npos) << text;
  EXPECT_NE(text.find("[report-log] FAIL: "), std::string::npos) << text;
  EXPECT_EQ(text.find("[main] launched"), std::string::npos) << text;

  const auto other = fresh_folder("modes-true");
  run.env[L"LOCALAPPDATA"] = other.wstring();
  for (const wchar_t* value : {L"true", L" 1"}) {
    run.env[L"APP_INSTALLER_REPORT_LOG"] = value;
    (void)run_stub(run);
  }
  text = stub_log(other);
  EXPECT_EQ(text.find("[report-log]"), std::string::npos) << text;
  EXPECT_NE(text.find("[main] launched silent=true"), std::string::npos) << text;
}

TEST(StartupTest, WithoutLocalAppDataLogsGoBelowTheWorkingFolder) {
  // Wine fills in LOCALAPPDATA for Windows children unless the parent's environment block
  // lacks it; this block removes it, so the relative folder must be used.
  const auto home = fresh_folder("no-localappdata");
  StubRun run;
  run.args = {L"/S"};
  run.env[L"LOCALAPPDATA"] = std::nullopt;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(home);
  const auto code = run_stub(run);
  std::filesystem::current_path(previous);
  ASSERT_TRUE(code.has_value());
  const auto lines = log_lines(home);
  bool skipped = false;
  for (const auto& line : lines) {
    skipped = skipped ||
              line.ends_with("[WARN] corvald-installer - [WER] skip: LOCALAPPDATA env var not set");
  }
  EXPECT_TRUE(skipped);
}

}  // namespace
}  // namespace corvald::e2e
