#include "net/proxy_line.hpp"

#include <algorithm>

#include "text/format.hpp"

namespace corvald::net {
namespace {

bool is_separator(char c) { return c == ';' || c == ' ' || c == '\t'; }

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where the host part of one entry starts: after "scheme://", after a list's "scheme=", or at
// the entry's start.
std::size_t authority_start(std::string_view entry) {
  if (const auto scheme = entry.find("://"); scheme != std::string_view::npos) return scheme + 3;
  const auto eq = entry.find('=');
  if (eq != std::string_view::npos && eq > 0) {
    const std::string_view name = entry.substr(0, eq);
    bool word = true;
    for (const char c : name) word = word && is_letter(c);
    if (word) return eq + 1;
  }
  return 0;
}

std::string masked_entry(std::string_view entry) {
  const std::size_t from = authority_start(entry);
  const std::size_t to = std::min(entry.find('/', from), entry.size());
  // The last "@" of the host part: a password may hold one of its own.
  const auto at = entry.substr(from, to - from).rfind('@');
  if (at == std::string_view::npos) return std::string(entry);
  return std::string(entry.substr(0, from)) + "***" + std::string(entry.substr(from + at));
}

}  // namespace

std::string mask_proxy_credentials(std::string_view text) {
  std::string out;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = begin;
    while (end < text.size() && !is_separator(text[end])) ++end;
    out += masked_entry(text.substr(begin, end - begin));
    if (end == text.size()) break;
    out.push_back(text[end]);
    begin = end + 1;
  }
  return out;
}

std::string proxy_settings_line(const ProxySettings& settings) {
  const auto shown = [](const std::optional<std::string>& value) {
    return value && !value->empty() ? mask_proxy_credentials(*value) : std::string("none");
  };
  return text::format("proxy settings: auto-detect={} script={} proxy={} bypass={}",
                      settings.auto_detect ? "on" : "off", shown(settings.script_url),
                      shown(settings.proxy), shown(settings.bypass));
}

}  // namespace corvald::net
