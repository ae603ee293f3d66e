// Error texts for failed WinHTTP calls, in the two forms the stub's logs use.
#pragma once

#include <cstdint>
#include <string>

namespace corvald::net {

// " failed (win32 err 12029)": appended to the name of a call that returned no handle.
std::string win32_code_text(std::uint32_t code);

// The system's message for the code as an HRESULT (0x80070000 | the low 16 bits) followed by
// " (0x80072EFD)"; the hexadecimal form alone when the system has no message for it.
std::string platform_error_text(std::uint32_t code);

// WinHTTP's own text for one of its codes (12001-12200), from winhttp.dll's message table: the
// system's table has none of them. Empty for other codes, and when the table has no entry
// (Wine's winhttp.dll has no message table at all).
std::string winhttp_message(std::uint32_t code);

}  // namespace corvald::net
