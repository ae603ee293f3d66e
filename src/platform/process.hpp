// Facts about the running process.
#pragma once

#include <cstdint>
#include <optional>

#include "text/path.hpp"

namespace corvald::platform {

std::uint32_t current_process_id();
// The full path of the running executable; nothing when it cannot be determined.
std::optional<Path> current_exe_path();

}  // namespace corvald::platform
