// Starting a child program and waiting for it: the installer (waited for) and the installed
// application (left running).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald::platform {

// One argument in the form CommandLineToArgvW reads back unchanged.
std::string quote_windows_arg(std::string_view arg);

// A started child. Owns the process handle only: letting it go closes the handle and neither
// waits for nor stops the child.
class ChildProcess {
 public:
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Waits without a time limit and gives the exit code as the system reports it (Windows
  // codes such as 0xC0000005 arrive unsigned). Failure: internal "child.wait: {text}".
  Result<std::uint32_t> wait();

 private:
  friend Result<ChildProcess> start_process(const Path&, const std::vector<std::string>&,
                                            const std::optional<Path>&, bool);
  explicit ChildProcess(std::intptr_t native) : native_(native) {}
  void close();

  static constexpr std::intptr_t kNone = 0;
  std::intptr_t native_ = kNone;  // the process HANDLE on Windows, the pid elsewhere
};

// Starts `program` with `args` in the stub's own environment, working folder (unless one is
// given) and standard handles. On failure the error is internal with the platform's own text
// as its text(), for callers to wrap ("spawn installer: {}", "spawn app: {}").
Result<ChildProcess> start_process(const Path& program, const std::vector<std::string>& args,
                                   const std::optional<Path>& working_dir, bool inherit_handles);

}  // namespace corvald::platform
