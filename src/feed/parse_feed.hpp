// last.yml reduced to the one Feed the download works from.
#pragma once

#include <string_view>

#include "base/result.hpp"
#include "feed/feed.hpp"

namespace corvald::feed {

// The body must be a single YAML mapping with at least `version` and a download source:
// the first `files` entry, or else `path`. Digest and size come from that entry when it
// has them, else from the top level. Relative URLs are resolved against `installer_base`.
// Failures are parse errors: "yaml: ..." for the document and its shape, "feed: ..." for a
// missing download source, digest or size.
Result<Feed> parse_feed(std::string_view body, std::string_view installer_base);

}  // namespace corvald::feed
