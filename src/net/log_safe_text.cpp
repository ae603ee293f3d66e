#include "net/log_safe_text.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "text/utf.hpp"

namespace corvald::net {
namespace {

using Text = std::u32string;
using TextView = std::u32string_view;

// Checked in this order; "token" runs before "access_token", so an access_token value is
// masked twice, which leaves an already masked value as it is.
constexpr std::array<TextView, 4> secret_keys = {U"sig", U"token", U"signature",
                                                 U"access_token"};
constexpr std::size_t max_chars = 512;
constexpr TextView truncation_marker = U"...[truncated]";

char32_t ascii_lower(char32_t c) { return (c >= U'A' && c <= U'Z') ? c - U'A' + U'a' : c; }

// Case-insensitive for ASCII letters only, so a match's position and length are those of the
// original text. `needle` is lower-case.
std::size_t find_ascii_ci(TextView text, TextView needle, std::size_t from) {
  if (needle.size() > text.size()) return Text::npos;
  for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < needle.size() && ascii_lower(text[at + i]) == needle[i]) ++i;
    if (i == needle.size()) return at;
  }
  return Text::npos;
}

constexpr TextView empty_mask = U"<empty>";

Text mask_value(TextView value) {
  if (value.empty()) return Text(empty_mask);
  // The access_token pass meets what the token pass left; the marker of an empty value must
  // survive that, or it would read as a masked secret.
  if (value == empty_mask) return Text(value);
  if (value.size() < 7) return Text(value);
  Text out(value.substr(0, 3));
  out.append(U"***");
  out.append(value.substr(value.size() - 3));
  return out;
}

// Rebuilds the text with some ranges masked. Building a copy rather than replacing in place
// keeps a body with thousands of matches linear; searching the original from the end of a
// value is the same as searching the result from the end of the inserted mask.
class Masker {
 public:
  explicit Masker(TextView source) : source_(source) { out_.reserve(source.size()); }

  void mask(std::size_t begin, std::size_t end) {
    out_.append(source_.substr(copied_, begin - copied_));
    out_.append(mask_value(source_.substr(begin, end - begin)));
    copied_ = end;
  }

  Text finish() && {
    out_.append(source_.substr(copied_));
    return std::move(out_);
  }

 private:
  TextView source_;
  Text out_;
  std::size_t copied_ = 0;
};

void blank_control_chars(Text& text) {
  for (char32_t& c : text) {
    if (c <= 0x1F || (c >= 0x7F && c <= 0x9F)) c = U' ';
  }
}

bool ends_key_value(char32_t c) {
  return c == U'"' || c == U'&' || c == U',' || c == U'}' || text::is_unicode_space(c);
}

Text mask_key_values(TextView source, TextView key) {
  const Text needle = Text(key) + U'=';
  Masker masker(source);
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = find_ascii_ci(source, needle, from);
    if (at == Text::npos) break;
    const std::size_t begin = at + needle.size();
    std::size_t end = begin;
    while (end < source.size() && !ends_key_value(source[end])) ++end;
    masker.mask(begin, end);
    from = end;
  }
  return std::move(masker).finish();
}

std::size_t skip_space(TextView text, std::size_t pos) {
  while (pos < text.size() && text::is_unicode_space(text[pos])) ++pos;
  return pos;
}

// Only "key" : "value" with nothing but whitespace around the colon counts as a field.
// Checking the first non-blank character gives the same matches as looking for the next
// colon or quote and then checking what stands before it.
Text mask_json_fields(TextView source, TextView key) {
  const Text needle = U'"' + Text(key) + U'"';
  Masker masker(source);
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = find_ascii_ci(source, needle, from);
    if (at == Text::npos) break;
    from = at + needle.size();
    const std::size_t colon = skip_space(source, from);
    if (colon >= source.size() || source[colon] != U':') continue;
    const std::size_t quote = skip_space(source, colon + 1);
    if (quote >= source.size() || source[quote] != U'"') continue;
    const std::size_t begin = quote + 1;
    const std::size_t end = std::min(source.find(U'"', begin), source.size());
    masker.mask(begin, end);
    from = end;
  }
  return std::move(masker).finish();
}

void truncate(Text& text) {
  if (text.size() <= max_chars) return;
  text.resize(max_chars);
  text.append(truncation_marker);
}

TextView trim(TextView text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && text::is_unicode_space(text[begin])) ++begin;
  while (end > begin && text::is_unicode_space(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::string log_safe_text(std::string_view bytes) {
  Text text = text::utf8_to_u32_lossy(bytes);
  blank_control_chars(text);
  for (const TextView key : secret_keys) text = mask_key_values(text, key);
  for (const TextView key : secret_keys) text = mask_json_fields(text, key);
  truncate(text);
  return text::u32_to_utf8(trim(text));
}

std::string mask_secret(std::string_view value) {
  return text::u32_to_utf8(mask_value(text::utf8_to_u32_lossy(value)));
}

}  // namespace corvald::net
