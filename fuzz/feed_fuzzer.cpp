// Everything that reads bytes straight off the network before they are trusted: the feed
// reader, the captive-portal check and the log-safe rendering of error bodies.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "feed/feed_url.hpp"
#include "feed/parse_feed.hpp"
#include "net/log_safe_text.hpp"
#include "text/utf.hpp"
#include "verify/response_check.hpp"

namespace {

// A broken promise is as much a finding as a crash, so it aborts like one.
void require(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

bool has_control_character(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void fuzz_feed(std::string_view input) {
  const auto feed = corvald::feed::parse_feed(input);
  if (!feed) {
    const std::string& text = feed.error().text();
    require(feed.error().kind() == corvald::StubError::Kind::parse, "parse kind");
    require(text.starts_with("yaml: ") || text.starts_with("feed: "), "error prefix");
    return;
  }
  require(feed->url.starts_with("http://") || feed->url.starts_with("https://") ||
              feed->url.starts_with(corvald::feed::checkupdate_base()),
          "absolute url");
  for (const std::string* text : {&feed->version, &feed->url, &feed->sha512}) {
    require(corvald::text::is_valid_utf8(*text) && !has_control_character(*text), "clean text");
  }
}

void fuzz_response_check(std::string_view input) {
  // The first line plays the Content-Type header, the rest the body.
  std::optional<std::string> content_type;
  std::string_view body = input;
  if (const auto newline = input.find('\n'); newline != std::string_view::npos) {
    content_type = std::string(input.substr(0, newline));
    body = input.substr(newline + 1);
  }
  for (const bool expect_yaml : {true, false}) {
    const auto checked = corvald::verify::check_response(content_type, body, expect_yaml);
    require(checked || checked.error().kind() == corvald::StubError::Kind::parse, "parse kind");
  }
}

void fuzz_log_safe_text(std::string_view input) {
  const std::string safe = corvald::net::log_safe_text(input);
  require(corvald::text::is_valid_utf8(safe), "log text is UTF-8");
  require(!has_control_character(safe), "log text has no control characters");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The feed request stops reading at 64 KiB; nothing longer reaches these functions.
  if (size > 65536) return -1;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  fuzz_feed(input);
  fuzz_response_check(input);
  fuzz_log_safe_text(input);
  return 0;
}
