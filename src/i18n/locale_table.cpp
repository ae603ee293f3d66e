#include "i18n/locale_table.hpp"

#include <optional>

#include "text/utf.hpp"

namespace corvald::i18n {
namespace {

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The four characters after "\u"; a leading "+" counts as an explicit sign and is
// accepted. Surrogates are refused: a lone half cannot be stored as UTF-8, and the tables
// have no need for characters outside the Basic Multilingual Plane in escaped form.
std::optional<char32_t> read_u_escape(std::string_view four) {
  std::size_t i = four.front() == '+' ? 1 : 0;
  char32_t value = 0;
  for (; i < four.size(); ++i) {
    const int digit = hex_digit(four[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<char32_t>(digit);
  }
  if (value >= 0xD800 && value <= 0xDFFF) return std::nullopt;
  return value;
}

class TableReader {
 public:
  explicit TableReader(std::string_view text) : text_(text) {}

  void skip_space() {
    while (pos_ < text_.size() && is_json_space(text_[pos_])) ++pos_;
  }

  bool at(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

  bool take(char c) {
    if (!at(c)) return false;
    ++pos_;
    return true;
  }

  // Called on the opening quote; nothing when the string is damaged or unterminated.
  std::optional<std::string> read_string() {
    std::string out;
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return out;
      }
      if (c == '\\') {
        if (!read_escape(out)) return std::nullopt;
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        const auto cp = text::decode_utf8(text_, pos_);
        if (!cp) return std::nullopt;
        text::append_utf8(out, *cp);
      } else {
        out.push_back(c);
        ++pos_;
      }
    }
    return std::nullopt;
  }

 private:
  bool read_escape(std::string& out) {
    if (text_.size() - pos_ < 2) return false;
    const char e = text_[pos_ + 1];
    switch (e) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'u': {
        if (text_.size() - pos_ - 1 < 5) return false;
        const auto cp = read_u_escape(text_.substr(pos_ + 2, 4));
        if (!cp) return false;
        text::append_utf8(out, *cp);
        pos_ += 6;
        return true;
      }
      default:
        // Any other ASCII character stands for itself (\" \\ \/ among them); a backslash
        // before a multi-byte sequence is not something our tables contain.
        if (static_cast<unsigned char>(e) >= 0x80) return false;
        out.push_back(e);
    }
    pos_ += 2;
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

LocaleTable parse_locale_table(std::string_view json) {
  LocaleTable table;
  TableReader reader(json);
  reader.skip_space();
  if (!reader.take('{')) return table;
  for (;;) {
    reader.skip_space();
    if (!reader.at('"')) break;
    auto key = reader.read_string();
    if (!key) break;
    reader.skip_space();
    if (!reader.take(':')) break;
    reader.skip_space();
    if (!reader.at('"')) break;
    auto value = reader.read_string();
    if (!value) break;
    table.insert_or_assign(std::move(*key), std::move(*value));
    reader.skip_space();
    reader.take(',');
  }
  return table;
}

}  // namespace corvald::i18n
