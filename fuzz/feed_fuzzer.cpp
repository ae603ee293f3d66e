// The feed reader: YAML straight off the network, before anything in it is trusted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "feed/feed_url.hpp"
#include "feed/parse_feed.hpp"
#include "require.hpp"
#include "text/utf.hpp"

using corvald::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The feed request stops reading at 64 KiB; nothing longer reaches the reader.
  if (size > 65536) return -1;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string base = corvald::feed::checkupdate_base(std::nullopt);
  const auto feed = corvald::feed::parse_feed(input, base);
  if (!feed) {
    const std::string& text = feed.error().text();
    require(feed.error().kind() == corvald::StubError::Kind::parse, "parse kind");
    require(text.starts_with("yaml: ") || text.starts_with("feed: "), "error prefix");
    return 0;
  }
  require(feed->url.starts_with("http://") || feed->url.starts_with("https://") ||
              feed->url.starts_with(base),
          "absolute url");
  for (const std::string* text : {&feed->version, &feed->url, &feed->sha512}) {
    require(corvald::text::is_valid_utf8(*text) && !corvald::text::has_control_character(*text),
            "clean text");
  }
  return 0;
}
