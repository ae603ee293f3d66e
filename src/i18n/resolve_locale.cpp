#include "i18n/resolve_locale.hpp"

#include <string_view>
#include <vector>

#include "i18n/packed_locales.hpp"
#include "text/utf.hpp"

namespace corvald::i18n {
namespace {

bool is_blank(const std::optional<std::string>& candidate) {
  return !candidate || text::trim_unicode_space(*candidate).empty();
}

std::vector<std::string_view> split_tags(std::string_view lowered) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = lowered.find_first_of("-_", start);
    pieces.push_back(lowered.substr(start, end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

std::string match_candidate(const std::string& candidate) {
  const std::string lowered = text::ascii_lower(candidate);
  // The codes only: choosing a table does not need the tables expanded.
  const auto tables = packed_locales().tables;
  for (const auto& table : tables) {
    if (text::ascii_lower(table.code) == lowered) return std::string(table.code);
  }

  const auto pieces = split_tags(lowered);
  const std::string_view language = pieces.front();
  if (language == "zh") {
    // Traditional script is what Taiwan, Hong Kong and Macau read; everyone else gets
    // Simplified, whatever script subtag came with the name.
    for (std::size_t i = 1; i < pieces.size(); ++i) {
      if (pieces[i] == "tw" || pieces[i] == "hk" || pieces[i] == "mo") return "zh-TW";
    }
    return "zh-CN";
  }
  // The table order decides which region stands in for a language's other regions.
  for (const auto& table : tables) {
    const std::string_view table_language = table.code.substr(0, table.code.find('-'));
    if (text::ascii_lower(table_language) == language) return std::string(table.code);
  }
  return "en";
}

}  // namespace

std::string resolve_locale(std::optional<std::string> env_value,
                           std::optional<std::string> windows_name) {
  if (!is_blank(env_value)) return match_candidate(*env_value);
  if (!is_blank(windows_name)) return match_candidate(*windows_name);
  return "en";
}

}  // namespace corvald::i18n
