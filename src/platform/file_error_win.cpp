#include "platform/file_error.hpp"

#include "platform/windows.hpp"

#include "platform/system_message.hpp"

namespace corvald::platform {

StubError last_file_error() {
  const DWORD code = GetLastError();
  return StubError::io(IoError{code, system_message(code)});
}

StubError file_error_from(const std::error_code& code) {
  // libstdc++ reports Win32 failures in the system category; those get the system's text
  // like every other io error, anything else keeps the library's message.
  if (code.category() == std::system_category()) {
    const auto value = static_cast<std::uint32_t>(code.value());
    std::string text = system_message(value);
    if (text.empty()) text = code.message();
    return StubError::io(IoError{value, std::move(text)});
  }
  return StubError::io(IoError{static_cast<std::uint32_t>(code.value()), code.message()});
}

bool is_sharing_violation(const StubError& error) {
  if (error.kind() != StubError::Kind::io) return false;
  const auto code = error.system_code();
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

}  // namespace corvald::platform
