#include "cache/cache_names.hpp"

#include <array>

#include "text/path_text.hpp"
#include "text/utf.hpp"

namespace corvald::cache {
namespace {

bool is_reserved_device(std::string_view component) {
  // Windows reads the device name up to the first dot and ignores trailing blanks there.
  std::string base = text::ascii_lower(component.substr(0, component.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static constexpr std::array<std::string_view, 6> kPlain = {"con", "prn",    "aux",
                                                             "nul", "conin$", "conout$"};
  for (const auto name : kPlain) {
    if (base == name) return true;
  }
  if (base.size() < 4) return false;
  const std::string_view stem = std::string_view(base).substr(0, 3);
  if (stem != "com" && stem != "lpt") return false;
  const std::string_view digit = std::string_view(base).substr(3);
  // The superscript digits one to three count as port numbers too.
  return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
         digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

std::optional<std::string> unsafe_component_reason(std::string_view component) {
  if (component.empty()) return "empty";
  if (component == "." || component == "..") return "a relative folder name";
  if (!text::is_valid_utf8(component)) return "not UTF-8";
  for (const char c : component) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') return "contains a path separator";
    if (c == ':') return "contains a colon";
    // Windows refuses these in names: a signed URL's "?sig=…" would otherwise fail only at
    // the eighth temp name, after three attempts.
    if (c == '?' || c == '*' || c == '"' || c == '<' || c == '>' || c == '|') {
      return "contains a character Windows does not allow in names";
    }
    if (byte < 0x20 || byte == 0x7F) return "contains a control character";
  }
  if (component.back() == '.' || component.back() == ' ') return "ends in a dot or blank";
  if (is_reserved_device(component)) return "a reserved device name";
  return std::nullopt;
}

std::string installer_file_name(std::string_view url) {
  const auto slash = url.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? url : url.substr(slash + 1);
  return last.empty() ? std::string("payload.bin") : std::string(last);
}

std::string printable_ascii(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

Path path_from_utf8(std::string_view utf8) { return Path(utf8); }

std::optional<std::string> file_name_utf8(const Path& path) {
  return text::path_to_utf8_strict(path.filename());
}

std::string file_name_utf8_lossy(const Path& path) { return text::path_to_utf8(path.filename()); }

}  // namespace corvald::cache
