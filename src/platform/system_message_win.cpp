#include "platform/system_message.hpp"

#include "platform/windows.hpp"

#include "platform/wide.hpp"

namespace corvald::platform {

std::string system_message(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring wide = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  // System texts end in a line break, which would split a log line in two.
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                           wide.back() == L'\t')) {
    wide.pop_back();
  }
  return narrow(wide).value_or(std::string());
}

}  // namespace corvald::platform
