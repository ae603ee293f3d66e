#include "feed_text.hpp"

#include <algorithm>
#include <cctype>
#include <regex>

namespace corvald::devserver {
namespace {

// A YAML 1.1 or 1.2 reader that resolves types would turn these plain scalars into numbers,
// booleans or null, so a version such as "2" or "1.10" must be quoted to stay a string.
bool reads_as_non_string(std::string_view value) {
  std::string folded;
  for (char c : value) {
    if (c != '_') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  static const std::regex number(
      "[-+]?(\\.[0-9]+|[0-9]+(\\.[0-9]*)?)(e[-+]?[0-9]+)?|0x[0-9a-f]+|0o[0-7]+|0b[01]+");
  static const char* const words[] = {"true", "false", "yes", "no", "on", "off", "y", "n", "null"};
  return std::regex_match(folded, number) ||
         std::find(std::begin(words), std::end(words), folded) != std::end(words);
}

bool plain_is_safe(std::string_view value) {
  if (value.empty()) return false;
  const auto alnum = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  };
  if (!alnum(value.front()) || reads_as_non_string(value)) return false;
  return std::all_of(value.begin(), value.end(), [&](char c) {
    return alnum(c) || c == '.' || c == '-' || c == '_' || c == '+';
  });
}

std::string single_quoted(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

}  // namespace

std::string yaml_scalar(std::string_view value) {
  return plain_is_safe(value) ? std::string(value) : single_quoted(value);
}

std::string feed_yaml(const Release& release) {
  // The digest stays plain: base64 text cannot be mistaken for anything else in YAML.
  std::string out = "version: " + yaml_scalar(release.version) + "\n" +
                    "path: " + yaml_scalar(release.file_name) + "\n" +
                    "sha512: " + release.sha512_base64 + "\n" +
                    "size: " + std::to_string(release.size) + "\n";
  if (release.date) out += "releaseDate: " + single_quoted(*release.date) + "\n";
  return out;
}

}  // namespace corvald::devserver
