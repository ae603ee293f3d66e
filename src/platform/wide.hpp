// Conversions between UTF-8 text and the wide strings of the Win32 API.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvald::platform {

std::wstring widen(std::string_view utf8);
// Nothing when the wide text is not valid UTF-16.
std::optional<std::string> narrow(std::wstring_view wide);

}  // namespace corvald::platform
