#include "net/winhttp_error.hpp"

#include "platform/windows.hpp"

#include "platform/system_message.hpp"
#include "text/format.hpp"

namespace corvald::net {
namespace {

std::uint32_t hresult_of(std::uint32_t code) {
  return code == 0 ? 0 : (0x80070000u | (code & 0xFFFFu));
}

std::string hex8(std::uint32_t value) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(digits[(value >> shift) & 0xF]);
  return out;
}

}  // namespace

std::string winhttp_message(std::uint32_t code) {
  if (code < 12001 || code > 12200) return {};
  // Loaded from System32 by the session before any of its codes can exist.
  return platform::module_message(L"winhttp.dll", code);
}

std::string win32_code_text(std::uint32_t code) {
  return text::format(" failed (win32 err {})", code);
}

std::string platform_error_text(std::uint32_t code) {
  const std::uint32_t hresult = hresult_of(code);
  const std::string message = platform::system_message(hresult);
  if (message.empty()) return hex8(hresult);
  return message + " (" + hex8(hresult) + ")";
}

}  // namespace corvald::net
