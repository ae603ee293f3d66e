#include "text/path_text.hpp"

#include <string_view>

#include "text/utf.hpp"

namespace corvald::text {
namespace {

// One overload per kind of native name, so that each platform compiles the one it uses.
[[maybe_unused]] std::optional<std::string> strict_utf8(const std::string& name) {
  if (!is_valid_utf8(name)) return std::nullopt;
  return name;
}

[[maybe_unused]] std::optional<std::string> strict_utf8(const std::wstring& name) {
  return utf16_to_utf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), name.size()));
}

[[maybe_unused]] std::string lossy_utf8(const std::string& name) {
  return u32_to_utf8(utf8_to_u32_lossy(name));
}

[[maybe_unused]] std::string lossy_utf8(const std::wstring& name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char32_t unit = static_cast<char16_t>(name[i]);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < name.size() && static_cast<char16_t>(name[i + 1]) >= 0xDC00 &&
        static_cast<char16_t>(name[i + 1]) <= 0xDFFF) {
      const char32_t low = static_cast<char16_t>(name[++i]);
      append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append_utf8(out, 0xFFFD);
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> path_to_utf8_strict(const Path& path) {
  return strict_utf8(path.native());
}

std::string path_to_utf8(const Path& path) { return lossy_utf8(path.native()); }

}  // namespace corvald::text
