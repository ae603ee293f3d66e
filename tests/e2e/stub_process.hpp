// Starts corvald-setup.exe the way a user's shell would, with a chosen environment, and waits
// for its exit code.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvald::e2e {

struct StubRun {
  std::filesystem::path program;                            // empty: the build's stub_exe()
  std::vector<std::wstring> args;                           // after the program path
  std::map<std::wstring, std::optional<std::wstring>> env;  // nullopt removes a variable
  std::chrono::milliseconds timeout{60000};
};

std::filesystem::path stub_exe();

// The exit code, or nothing when the process could not be started or did not end in time
// (it is then terminated).
std::optional<unsigned long> run_stub(const StubRun& run);

// A fresh, empty folder for one test's LOCALAPPDATA.
std::filesystem::path fresh_folder(const std::string& name);

}  // namespace corvald::e2e
