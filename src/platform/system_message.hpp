// The system's own text for an error code (FormatMessageW), on one line.
#pragma once

#include <cstdint>
#include <string>

namespace corvald::platform {

// Empty when the system has no text for the code.
std::string system_message(std::uint32_t code);

// The text for the code in the message table of a DLL the process has already loaded (by file
// name, e.g. L"winhttp.dll"); empty when it is not loaded or has no text for the code.
std::string module_message(const wchar_t* module_name, std::uint32_t code);

}  // namespace corvald::platform
