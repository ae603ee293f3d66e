#include "platform/locale_name.hpp"

#include "platform/windows.hpp"

#include <algorithm>

#include "platform/wide.hpp"

namespace corvald::platform {

std::optional<std::string> user_default_locale_name() {
  wchar_t buffer[LOCALE_NAME_MAX_LENGTH] = {};
  const int count = GetUserDefaultLocaleName(buffer, LOCALE_NAME_MAX_LENGTH);
  if (count <= 0) return std::nullopt;
  // The count includes the terminating zero.
  const auto length =
      std::min<std::size_t>(static_cast<std::size_t>(count) - 1, LOCALE_NAME_MAX_LENGTH - 1);
  return narrow(std::wstring_view(buffer, length));
}

}  // namespace corvald::platform
