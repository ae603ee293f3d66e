// Silent mode: the whole install on the main thread, without window or telemetry, for
// administrators and deployment tools that start the stub with /S.
#pragma once

#include <cstdint>

#include "startup/run_mode.hpp"
#include "startup/run_settings.hpp"

namespace corvald {

// The process exit code: the installer's code reduced to 8 bits, 0 when the service has no
// build and a healthy copy is installed, 1 on failure.
int run_silent(const RunSettings& settings);

// A process exit code carries only 8 bits. An installer code such as 256 or 512 would shrink
// to 0 and tell the deployment tool that a failed install succeeded, so such codes become 1.
constexpr int silent_exit_code(std::uint32_t installer_code) {
  const int low = static_cast<int>(installer_code & 0xFFu);
  return (installer_code != 0 && low == 0) ? static_cast<int>(ExitCode::failed) : low;
}

}  // namespace corvald
