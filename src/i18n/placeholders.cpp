#include "i18n/placeholders.hpp"

namespace corvald::i18n {
namespace {

const std::string* find_arg(const PlaceholderArgs& args, std::string_view name) {
  for (const auto& [arg_name, value] : args) {
    if (arg_name == name) return &value;
  }
  return nullptr;
}

}  // namespace

std::string fill_placeholders(std::string_view text, const PlaceholderArgs& args) {
  std::size_t open = text.find('{');
  if (open == std::string_view::npos) return std::string(text);

  std::string out;
  out.reserve(text.size() + 16);
  std::size_t copied = 0;
  while (open != std::string_view::npos) {
    const std::size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) break;  // the rest, this "{" included, is literal
    out.append(text, copied, open - copied);
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (const std::string* value = find_arg(args, name)) {
      out.append(*value);
    } else {
      out.append(text, open, close - open + 1);
    }
    copied = close + 1;
    open = text.find('{', copied);
  }
  out.append(text, copied);
  return out;
}

}  // namespace corvald::i18n
