#include "text/utf.hpp"

namespace corvald::text {

std::optional<char32_t> decode_utf8(std::string_view bytes, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (pos >= bytes.size()) return std::nullopt;
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t length;
  char32_t cp;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return std::nullopt;
  }
  if (bytes.size() - pos < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char c = byte(pos + i);
    if ((c & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  pos += length;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool is_valid_utf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (!decode_utf8(bytes, pos)) return false;
  }
  return true;
}

std::u32string utf8_to_u32_lossy(std::string_view bytes) {
  std::u32string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (auto cp = decode_utf8(bytes, pos)) {
      out.push_back(*cp);
      continue;
    }
    // Skip the maximal prefix of a valid sequence, so that one broken sequence yields one
    // replacement character (the WHATWG / Unicode "maximal subpart" practice).
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(pos);
    std::size_t skip = 1;
    unsigned char lo = 0x80, hi = 0xBF;
    std::size_t need = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
      need = 1;
    else if (lead == 0xE0)
      need = 2, lo = 0xA0;
    else if (lead == 0xED)
      need = 2, hi = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF)
      need = 2;
    else if (lead == 0xF0)
      need = 3, lo = 0x90;
    else if (lead == 0xF4)
      need = 3, hi = 0x8F;
    else if (lead >= 0xF1 && lead <= 0xF3)
      need = 3;
    for (std::size_t i = 0; i < need && pos + skip < bytes.size(); ++i) {
      const unsigned char c = byte(pos + skip);
      if (c < lo || c > hi) break;
      lo = 0x80, hi = 0xBF;
      ++skip;
    }
    pos += skip;
    out.push_back(U'\uFFFD');
  }
  return out;
}

std::string u32_to_utf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text) append_utf8(out, cp);
  return out;
}

std::optional<std::string> utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size()) return std::nullopt;
      const char32_t low = text[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return std::nullopt;
    }
    append_utf8(out, unit);
  }
  return out;
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char32_t cp : utf8_to_u32_lossy(text)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool is_unicode_space(char32_t cp) {
  // The White_Space property of the Unicode character database.
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000;
}

std::string trim_unicode_space(std::string_view text) {
  const std::u32string chars = utf8_to_u32_lossy(text);
  std::size_t begin = 0, end = chars.size();
  while (begin < end && is_unicode_space(chars[begin])) ++begin;
  while (end > begin && is_unicode_space(chars[end - 1])) --end;
  return u32_to_utf8(std::u32string_view(chars).substr(begin, end - begin));
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool has_control_character(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

}  // namespace corvald::text
