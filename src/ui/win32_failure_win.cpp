#include "ui/win32_failure_win.hpp"

#include "platform/windows.hpp"

#include <cstdio>

#include "platform/system_message.hpp"

namespace corvald::ui {
namespace {

StubError failure(std::string_view what, std::uint32_t code, const char* code_format) {
  std::string text = std::string(what) + " failed";
  if (code == 0) return StubError::system_failure(std::move(text), 0);
  char number[24];
  std::snprintf(number, sizeof number, code_format, static_cast<unsigned>(code));
  const std::string reason = platform::system_message(code);
  text += ": ";
  text += reason.empty() ? std::string("error") : reason;
  text += " (code " + std::string(number) + ")";
  return StubError::system_failure(std::move(text), code);
}

}  // namespace

StubError win32_failure(std::string_view what) { return failure(what, GetLastError(), "%u"); }

StubError hresult_failure(std::string_view what, long hresult) {
  return failure(what, static_cast<std::uint32_t>(hresult), "0x%08X");
}

}  // namespace corvald::ui
