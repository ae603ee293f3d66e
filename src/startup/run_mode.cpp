#include "startup/run_mode.hpp"

#include <algorithm>
#include <cstdio>

#include "text/utf.hpp"

namespace corvald {

bool switch_on(const std::optional<std::string>& value) { return value && *value == "1"; }

bool is_silent_switch(std::string_view arg) {
  const std::string lower = text::ascii_lower(arg);
  return std::find(silent_switches.begin(), silent_switches.end(), lower) != silent_switches.end();
}

bool has_silent_switch(std::span<const std::string> argv) {
  if (argv.empty()) return false;
  return std::any_of(argv.begin() + 1, argv.end(),
                     [](const std::string& arg) { return is_silent_switch(arg); });
}

namespace {

void append_quoted(std::string& out, std::string_view arg) {
  out.push_back('"');
  for (char c : arg) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '\t': out.append("\\t"); break;
      case '\0': out.append("\\0"); break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char buf[12];
          std::snprintf(buf, sizeof buf, "\\u{%x}", byte);
          out.append(buf);
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

}  // namespace

std::string format_arg_list(std::span<const std::string> argv) {
  std::string out = "[";
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (i > 0) out.append(", ");
    append_quoted(out, argv[i]);
  }
  out.push_back(']');
  return out;
}

}  // namespace corvald
