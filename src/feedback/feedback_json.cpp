#include "feedback/feedback_json.hpp"

namespace corvald::feedback {
namespace {

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t skip_space(std::string_view text, std::size_t pos) {
  while (pos < text.size() && is_json_space(text[pos])) ++pos;
  return pos;
}

// The position just after the opening quote of the key's string value, or npos.
std::size_t find_value_start(std::string_view json, std::string_view key) {
  const std::string quoted = "\"" + std::string(key) + "\"";
  std::size_t from = 0;
  while (true) {
    const std::size_t match = json.find(quoted, from);
    if (match == std::string_view::npos) return std::string_view::npos;
    std::size_t pos = skip_space(json, match + quoted.size());
    if (pos < json.size() && json[pos] == ':') {
      pos = skip_space(json, pos + 1);
      if (pos < json.size() && json[pos] == '"') return pos + 1;
    }
    // The key text may also occur as a value or in a non-string field; look further on.
    from = match + 1;
  }
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
      case '\\':
        out.push_back(next);
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
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
  const std::size_t start = find_value_start(json, key);
  if (start == std::string_view::npos) return std::nullopt;
  std::size_t pos = start;
  while (pos < json.size()) {
    if (json[pos] == '\\') {
      pos += 2;  // the escaped character can never close the value
    } else if (json[pos] == '"') {
      return unescape(json.substr(start, pos - start));
    } else {
      ++pos;
    }
  }
  return std::nullopt;
}

}  // namespace corvald::feedback
