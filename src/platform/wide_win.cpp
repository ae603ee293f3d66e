#include "platform/wide.hpp"

#include "text/utf.hpp"

namespace corvald::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring widen(std::string_view utf8) {
  const std::u16string u16 = text::utf8_to_utf16(utf8);
  return std::wstring(u16.begin(), u16.end());
}

std::optional<std::string> narrow(std::wstring_view wide) {
  return text::utf16_to_utf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace corvald::platform
