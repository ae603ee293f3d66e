// Starts any program the way a user's shell would, with a chosen environment, and waits for its
// exit code, or leaves it running to be watched and driven.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvald::e2e {

struct ChildRun {
  std::filesystem::path program;
  std::vector<std::wstring> args;  // after the program path
  // Appended after args without quoting, for programs that parse their own line: an NSIS
  // installer takes everything after "_?=" as a folder, blanks and all, and no quotes.
  std::wstring verbatim_tail;
  std::map<std::wstring, std::optional<std::wstring>> env;  // nullopt removes a variable
  std::chrono::milliseconds timeout{60000};
};

// A child started and not yet waited for; terminated if it still runs when this goes away.
class RunningChild {
 public:
  // Nothing when the process could not be started.
  static std::optional<RunningChild> start(const ChildRun& run);

  RunningChild(RunningChild&& other) noexcept;
  RunningChild& operator=(RunningChild&&) = delete;
  ~RunningChild();

  unsigned long pid() const { return pid_; }
  // The exit code, or nothing when the process did not end within `timeout` (it goes on).
  std::optional<unsigned long> wait(std::chrono::milliseconds timeout);

 private:
  RunningChild(void* process, unsigned long pid) : process_(process), pid_(pid) {}
  void* process_;  // a process HANDLE, so this header needs no system header
  unsigned long pid_;
};

// The exit code, or nothing when the process could not be started or did not end in time
// (it is then terminated).
std::optional<unsigned long> run_child(const ChildRun& run);

}  // namespace corvald::e2e
