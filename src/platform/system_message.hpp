// The system's own text for an error code (FormatMessageW), on one line.
#pragma once

#include <cstdint>
#include <string>

namespace corvald::platform {

// Empty when the system has no text for the code.
std::string system_message(std::uint32_t code);

}  // namespace corvald::platform
