#include "feedback/feedback_json.hpp"

namespace corvald::feedback {
namespace {

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t skip_space(std::string_view text, std::size_t pos) {
  while (pos < text.size() && is_json_space(text[pos])) ++pos;
  return pos;
}

// The closing quote of the string whose characters start at `begin`, or npos.
std::size_t string_end(std::string_view json, std::size_t begin) {
  std::size_t pos = begin;
  while (pos < json.size()) {
    if (json[pos] == '"') return pos;
    pos += json[pos] == '\\' ? 2 : 1;  // the escaped character can never close the string
  }
  return std::string_view::npos;
}

std::string unescape(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (i + 1 == raw.size()) {
      out.push_back('\\');
      break;
    }
    const char next = raw[i + 1];
    switch (next) {
      case '"':
      case '/':
      case '\\': out.push_back(next); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      default:
        out.push_back('\\');
        out.push_back(next);
        break;
    }
    ++i;
  }
  return out;
}

}  // namespace

std::optional<std::string> json_string_field(std::string_view json, std::string_view key) {
  // Every string is read whole, so a key's text inside another key or a value never matches.
  for (std::size_t pos = 0; pos < json.size(); ++pos) {
    if (json[pos] != '"') continue;
    const std::size_t key_start = pos + 1;
    const std::size_t key_end = string_end(json, key_start);
    if (key_end == std::string_view::npos) return std::nullopt;
    pos = key_end;
    const std::size_t colon = skip_space(json, key_end + 1);
    if (colon >= json.size() || json[colon] != ':') continue;
    if (unescape(json.substr(key_start, key_end - key_start)) != key) continue;
    const std::size_t quote = skip_space(json, colon + 1);
    if (quote >= json.size() || json[quote] != '"') continue;
    const std::size_t value_end = string_end(json, quote + 1);
    if (value_end == std::string_view::npos) return std::nullopt;
    return unescape(json.substr(quote + 1, value_end - quote - 1));
  }
  return std::nullopt;
}

}  // namespace corvald::feedback
