#include "platform/system_message.hpp"

#include "platform/windows.hpp"

#include "platform/wide.hpp"

namespace corvald::platform {

namespace {

// `source` is FORMAT_MESSAGE_FROM_SYSTEM, or FORMAT_MESSAGE_FROM_HMODULE with the module.
std::string message_from(DWORD source, HMODULE module, std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS,
                     module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring wide = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  // System texts end in a line break, which would split a log line in two.
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                           wide.back() == L'\t')) {
    wide.pop_back();
  }
  return narrow(wide).value_or(std::string());
}

}  // namespace

std::string system_message(std::uint32_t code) {
  return message_from(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
}

std::string module_message(const wchar_t* module_name, std::uint32_t code) {
  const HMODULE module = GetModuleHandleW(module_name);
  if (module == nullptr) return {};
  return message_from(FORMAT_MESSAGE_FROM_HMODULE, module, code);
}

}  // namespace corvald::platform
