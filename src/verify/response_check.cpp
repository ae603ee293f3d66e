#include "verify/response_check.hpp"

#include <array>

#include "net/log_safe_text.hpp"
#include "text/format.hpp"
#include "text/utf.hpp"

namespace corvald::verify {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim_ascii_space(std::string_view text) {
  constexpr std::string_view space = " \t\r\n\f\v";
  const auto first = text.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

std::string media_type_of(std::string_view header_value) {
  const std::string lowered = text::ascii_lower(header_value);
  const std::string_view type = std::string_view(lowered).substr(0, lowered.find(';'));
  return std::string(trim_ascii_space(type));
}

bool is_text_like(std::string_view media_type) {
  return media_type.starts_with("text/") || media_type == "application/xhtml+xml";
}

Result<void> check_content_type(const std::string& header_value, bool expect_yaml) {
  const std::string media_type = media_type_of(header_value);
  // The error text goes to the log as it is, and the header is whatever the network sent.
  const auto quoted = [&] { return net::log_safe_text(header_value); };
  if (expect_yaml) {
    if (media_type == "text/html" || media_type == "application/xhtml+xml") {
      return StubError::parse(
          text::format("expected YAML feed but got Content-Type={} (captive portal?)", quoted()));
    }
  } else if (is_text_like(media_type) || media_type == "application/json") {
    return StubError::parse(
        text::format("expected binary body but got Content-Type={} (captive portal?)", quoted()));
  }
  return Ok{};
}

Result<void> check_body(std::string_view body, bool expect_yaml) {
  if (body.starts_with(kUtf8Bom)) body.remove_prefix(kUtf8Bom.size());
  if (expect_yaml) {
    // Leading whitespace is deliberately not skipped: YAML may legitimately begin with
    // indentation, and portals put their markup first.
    if (body.starts_with('<')) {
      return StubError::parse("expected YAML feed but response starts with `<` (HTML?)");
    }
    return Ok{};
  }
  static constexpr std::array<std::string_view, 8> kMarkupPrefixes = {"<!", "<?", "<h",    "<H",
                                                                      "<D", "<d", "<html", "<HTML"};
  for (const std::string_view prefix : kMarkupPrefixes) {
    if (body.starts_with(prefix)) {
      return StubError::parse("expected binary body but response starts with HTML markup");
    }
  }
  return Ok{};
}

}  // namespace

Result<void> check_response(const std::optional<std::string>& content_type,
                            std::string_view body_prefix, bool expect_yaml) {
  if (content_type) {
    if (auto checked = check_content_type(*content_type, expect_yaml); !checked) return checked;
  }
  return check_body(body_prefix, expect_yaml);
}

}  // namespace corvald::verify
