#include "telemetry/json_writer.hpp"

#include <cmath>

#include "text/shortest_decimal.hpp"
#include "text/utf.hpp"

namespace corvald::telemetry {
namespace {

void append_control_escape(std::string& out, unsigned char c) {
  constexpr std::string_view hex = "0123456789abcdef";
  out.append("\\u00");
  out.push_back(hex[c >> 4]);
  out.push_back(hex[c & 0xF]);
}

}  // namespace

void append_json_string(std::string& out, std::string_view value) {
  out.push_back('"');
  std::size_t pos = 0;
  while (pos < value.size()) {
    const auto c = static_cast<unsigned char>(value[pos]);
    if (c >= 0x80) {
      // Multi-byte characters pass through unchanged. A byte that starts no valid sequence
      // (error texts can carry anything) would make the whole body unreadable as UTF-8 JSON
      // and the event would be lost at the service, so it becomes U+FFFD instead.
      const std::size_t start = pos;
      if (text::decode_utf8(value, pos)) {
        out.append(value.substr(start, pos - start));
      } else {
        out.append("\xEF\xBF\xBD");
        ++pos;
      }
      continue;
    }
    switch (c) {
      case '\t': out.append("\\t"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      default:
        if (c < 0x20) {
          append_control_escape(out, c);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
    ++pos;
  }
  out.push_back('"');
}

void write_json_string_field(std::string& out, std::string_view key, std::string_view value,
                             bool first) {
  if (!first) out.push_back(',');
  out.push_back('"');
  out.append(key);
  out.push_back('"');
  out.push_back(':');
  append_json_string(out, value);
}

void write_json_number_field(std::string& out, std::string_view key, std::uint64_t value) {
  out.append(",\"");
  out.append(key);
  out.append("\":");
  out.append(std::to_string(value));
}

void append_json_double(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out.append("null");
    return;
  }
  out.append(text::shortest_fixed(value));
}

}  // namespace corvald::telemetry
