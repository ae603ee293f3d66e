#include "net/log_safe_text.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "text/utf.hpp"

namespace corvald::net {
namespace {

using Text = std::u32string;
using TextView = std::u32string_view;

constexpr std::array<TextView, 4> secret_keys = {U"sig", U"token", U"signature", U"access_token"};
constexpr std::size_t max_chars = 512;
constexpr TextView truncation_marker = U"...[truncated]";

char32_t ascii_lower(char32_t c) { return (c >= U'A' && c <= U'Z') ? c - U'A' + U'a' : c; }

// The length of the secret key spelled at `at` (ASCII letters in any case) when `next` follows
// it there; 0 when none is. "sig" and "signature" share a prefix, so the follower decides.
std::size_t secret_key_at(TextView text, std::size_t at, char32_t next) {
  for (const TextView key : secret_keys) {
    if (text.size() - at <= key.size() || text[at + key.size()] != next) continue;
    std::size_t i = 0;
    while (i < key.size() && ascii_lower(text[at + i]) == key[i]) ++i;
    if (i == key.size()) return key.size();
  }
  return 0;
}

constexpr TextView empty_mask = U"<empty>";

// A kept backslash or quotation mark is shown as a star: kept as it is, it could escape the
// closing quote of a masked JSON value, and a second reading would take the rest of the
// document for part of the secret.
char32_t neutral(char32_t c) { return c == U'\\' || c == U'"' ? U'*' : c; }

Text mask_value(TextView value) {
  if (value.empty() || value == empty_mask) return Text(empty_mask);
  if (value.size() < 7) return Text(value);
  Text out;
  for (const char32_t c : value.substr(0, 3)) out.push_back(neutral(c));
  out.append(U"***");
  for (const char32_t c : value.substr(value.size() - 3)) out.push_back(neutral(c));
  return out;
}

// Rebuilds the text with some ranges masked. Building a copy rather than replacing in place
// keeps a body with thousands of matches linear.
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

std::size_t skip_space(TextView text, std::size_t pos) {
  while (pos < text.size() && text::is_unicode_space(text[pos])) ++pos;
  return pos;
}

// The closing quote of the JSON string whose characters start at `begin`, or the end of the
// text; an escaped character never closes it, whatever follows the backslash.
std::size_t json_string_end(TextView text, std::size_t begin) {
  std::size_t pos = begin;
  while (pos < text.size() && text[pos] != U'"') pos += text[pos] == U'\\' ? 2 : 1;
  return std::min(pos, text.size());
}

// Where the value of a secret JSON field whose key's opening quote is at `at` starts, or npos.
// Only "key" : "value" with nothing but whitespace around the colon counts as a field.
std::size_t json_secret_value_at(TextView text, std::size_t at) {
  if (text[at] != U'"') return Text::npos;
  const std::size_t key = secret_key_at(text, at + 1, U'"');
  if (key == 0) return Text::npos;
  const std::size_t colon = skip_space(text, at + key + 2);
  if (colon >= text.size() || text[colon] != U':') return Text::npos;
  const std::size_t quote = skip_space(text, colon + 1);
  if (quote >= text.size() || text[quote] != U'"') return Text::npos;
  return quote + 1;
}

// The end of the key=value value that starts at `begin`.
std::size_t key_value_end(TextView text, std::size_t begin) {
  std::size_t end = begin;
  while (end < text.size() && !ends_key_value(text[end])) ++end;
  return end;
}

// One pass over the text for both forms. A JSON key is looked for at every character, inside
// string values and escaped quotes too: a hostile body need not be well-formed, and masking
// too much is the safe side. JSON values never overlap: a key's quote inside another value
// must be escaped, and its closing quote then ends that value before this one starts. Inside a
// JSON secret no key=value is masked: the value is masked whole already, or short enough to be
// shown, and masking a pair in it could make it longer than that.
Text mask_secrets(TextView source) {
  Masker masker(source);
  std::size_t json_value_end = 0;
  for (std::size_t at = 0; at < source.size();) {
    if (const std::size_t begin = json_secret_value_at(source, at); begin != Text::npos) {
      json_value_end = json_string_end(source, begin);
      masker.mask(begin, json_value_end);
    } else if (const std::size_t key = secret_key_at(source, at, U'=');
               key != 0 && at >= json_value_end) {
      // The leftmost match wins, so "access_token=" is masked once as a whole, and a masked
      // value is not searched again.
      const std::size_t begin = at + key + 1;
      at = key_value_end(source, begin);
      masker.mask(begin, at);
      continue;
    }
    ++at;
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
  // Trimmed before masking: trimmed after, blanks at the end of an unclosed value would be
  // masked with it the first time and not the second.
  text = Text(trim(text));
  text = mask_secrets(text);
  truncate(text);
  return text::u32_to_utf8(text);
}

std::string mask_secret(std::string_view value) {
  return text::u32_to_utf8(mask_value(text::utf8_to_u32_lossy(value)));
}

}  // namespace corvald::net
