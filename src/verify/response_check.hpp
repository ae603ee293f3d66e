// A captive portal answers any request with its own HTML page and status 200. This check
// catches such answers on the feed and on every download response before they turn into a
// confusing YAML error or digest mismatch further on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.hpp"

namespace corvald::verify {

// content_type: the Content-Type header as received, when the response had one.
// body_prefix: the whole feed body, or the first bytes read from a download response.
// Fails with a parse error naming what was expected and what arrived.
Result<void> check_response(const std::optional<std::string>& content_type,
                            std::string_view body_prefix, bool expect_yaml);

}  // namespace corvald::verify
