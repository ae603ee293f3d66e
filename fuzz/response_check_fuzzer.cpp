// The captive-portal check: a Content-Type header and the first bytes of a body, both from the
// network. Its error text goes to the log as it is, so it must be as clean as any log text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "require.hpp"
#include "text/utf.hpp"
#include "verify/response_check.hpp"

using corvald::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return -1;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line plays the Content-Type header, the rest the body; no line, no header.
  std::optional<std::string> content_type;
  std::string_view body = input;
  if (const auto newline = input.find('\n'); newline != std::string_view::npos) {
    content_type = std::string(input.substr(0, newline));
    body = input.substr(newline + 1);
  }
  for (const bool expect_yaml : {true, false}) {
    const auto checked = corvald::verify::check_response(content_type, body, expect_yaml);
    if (checked) continue;
    const std::string& text = checked.error().text();
    require(checked.error().kind() == corvald::StubError::Kind::parse, "parse kind");
    require(corvald::text::is_valid_utf8(text), "error text is UTF-8");
    for (const char32_t c : corvald::text::utf8_to_u32_lossy(text)) {
      require(c > 0x1F && (c < 0x7F || c > 0x9F), "error text has no control characters");
    }
  }
  return 0;
}
