#include "devserver_records.hpp"

#include "../support/devserver_port.hpp"
#include "net/http_client.hpp"
#include "text/utf.hpp"

namespace corvald::e2e {
namespace {

// Just enough JSON for the record lines: strings with every escape, arrays of strings and
// scalars that are skipped.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool consume(char c) {
    skip_blanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  std::optional<std::string> string() {
    if (!consume('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos_ >= text_.size()) return std::nullopt;
      const char e = text_[pos_++];
      switch (e) {
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
          auto unit = hex4();
          if (!unit) return std::nullopt;
          char32_t cp = *unit;
          if (cp >= 0xD800 && cp < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            const auto low = hex4();
            if (!low) return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
          }
          text::append_utf8(out, cp);
          break;
        }
        default: out.push_back(e);
      }
    }
    return std::nullopt;
  }

  // Numbers, true, false and null.
  void skip_scalar() {
    skip_blanks();
    while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '}' && text_[pos_] != ']') {
      ++pos_;
    }
  }

 private:
  void skip_blanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  std::optional<char32_t> hex4() {
    if (pos_ + 4 > text_.size()) return std::nullopt;
    char32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      value <<= 4;
      if (c >= '0' && c <= '9')
        value |= static_cast<char32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        value |= static_cast<char32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        value |= static_cast<char32_t>(c - 'A' + 10);
      else
        return std::nullopt;
    }
    return value;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::optional<ServerRecord> parse_line(std::string_view line) {
  Reader in(line);
  ServerRecord record;
  if (!in.consume('{')) return std::nullopt;
  do {
    const auto key = in.string();
    if (!key || !in.consume(':')) return std::nullopt;
    if (*key == "headers") {
      if (!in.consume('[')) return std::nullopt;
      if (in.consume(']')) continue;
      do {
        if (!in.consume('[')) return std::nullopt;
        auto name = in.string();
        if (!name || !in.consume(',')) return std::nullopt;
        auto value = in.string();
        if (!value || !in.consume(']')) return std::nullopt;
        record.headers.emplace_back(std::move(*name), std::move(*value));
      } while (in.consume(','));
      if (!in.consume(']')) return std::nullopt;
    } else if (*key == "method" || *key == "path" || *key == "query" || *key == "body") {
      auto value = in.string();
      if (!value) return std::nullopt;
      std::string& slot = *key == "method"  ? record.method
                          : *key == "path"  ? record.path
                          : *key == "query" ? record.query
                                            : record.body;
      slot = std::move(*value);
    } else {
      in.skip_scalar();
    }
  } while (in.consume(','));
  if (!in.consume('}')) return std::nullopt;
  return record;
}

net::HttpClient control_client() {
  static const net::HttpClient client = net::HttpClient::open("corvald-e2e").value();
  return client;
}

}  // namespace

std::optional<std::string> ServerRecord::header(std::string_view name) const {
  const std::string wanted = text::ascii_lower(name);
  for (const auto& [n, v] : headers) {
    if (text::ascii_lower(n) == wanted) return v;
  }
  return std::nullopt;
}

std::vector<ServerRecord> parse_record_lines(std::string_view text) {
  std::vector<ServerRecord> records;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (!line.empty()) records.push_back(parse_line(line).value_or(ServerRecord{}));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return records;
}

bool devserver_control(std::string_view what) {
  const auto reply =
      control_client().post(devserver_base_url() + "/__control/" + std::string(what), {}, "");
  return reply && reply->status == 200;
}

std::vector<ServerRecord> devserver_requests(std::string_view path) {
  auto response = control_client().get(devserver_base_url() + "/__control/requests", {});
  if (!response || response->status != 200) return {};
  auto text = std::move(response.value()).read_to_end(64 * 1024 * 1024);
  if (!text) return {};
  std::vector<ServerRecord> matching;
  for (auto& record : parse_record_lines(*text)) {
    // An unreadable line (empty path) is kept so that it fails the caller's checks.
    if (record.path == path || record.path.empty()) matching.push_back(std::move(record));
  }
  return matching;
}

std::vector<ServerRecord> devserver_reports() { return devserver_requests("/api/v2/report"); }

}  // namespace corvald::e2e
