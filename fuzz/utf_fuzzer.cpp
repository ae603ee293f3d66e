// The UTF-8 and UTF-16 conversions that texts and paths of unknown origin go through. Valid
// input must come back unchanged from a round trip; only invalid input may be refused or
// replaced, which a reference check written from the Unicode tables decides independently.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "require.hpp"
#include "text/path_text.hpp"
#include "text/utf.hpp"

namespace {

using corvald::fuzz::require;
namespace text = corvald::text;

// Well-formed UTF-8 byte sequences, as the Unicode standard tabulates them.
bool reference_valid_utf8(std::string_view bytes) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char b = at(i);
    std::size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b <= 0x7F)
      length = 1;
    else if (b >= 0xC2 && b <= 0xDF)
      length = 2;
    else if (b == 0xE0)
      length = 3, lo = 0xA0;
    else if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF)
      length = 3;
    else if (b == 0xED)
      length = 3, hi = 0x9F;
    else if (b == 0xF0)
      length = 4, lo = 0x90;
    else if (b >= 0xF1 && b <= 0xF3)
      length = 4;
    else if (b == 0xF4)
      length = 4, hi = 0x8F;
    else
      return false;
    if (bytes.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char c = at(i + k);
      if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

bool has_unpaired_surrogate(std::u16string_view units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return true;
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

void check_utf8(std::string_view bytes) {
  const bool valid = reference_valid_utf8(bytes);
  require(text::is_valid_utf8(bytes) == valid, "UTF-8 validity as tabulated");
  const std::u32string chars = text::utf8_to_u32_lossy(bytes);
  const std::string lossy = text::u32_to_utf8(chars);
  require(text::is_valid_utf8(lossy), "lossy decoding gives UTF-8");
  require(text::u32_to_utf8(text::utf8_to_u32_lossy(lossy)) == lossy, "lossy output is stable");
  const std::filesystem::path path{std::string(bytes)};
  require(text::path_to_utf8(path) == lossy, "path text is the lossy text");
  require(text::path_to_utf8_strict(path).has_value() == valid, "strict path text refuses");
  if (valid) {
    require(lossy == bytes, "valid UTF-8 round trip through scalar values");
    require(text::utf16_to_utf8(text::utf8_to_utf16(bytes)) == std::string(bytes),
            "valid UTF-8 round trip through UTF-16");
  } else {
    require(chars.find(U'\uFFFD') != std::u32string::npos, "invalid bytes are replaced");
  }
}

void check_utf16(std::u16string_view units) {
  const std::optional<std::string> utf8 = text::utf16_to_utf8(units);
  require(utf8.has_value() == !has_unpaired_surrogate(units), "refuses only unpaired halves");
  if (!utf8) return;
  require(text::is_valid_utf8(*utf8), "UTF-16 gives valid UTF-8");
  require(text::utf8_to_utf16(*utf8) == units, "valid UTF-16 round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return -1;
  check_utf8(std::string_view(reinterpret_cast<const char*>(data), size));
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  check_utf16(units);
  return 0;
}
