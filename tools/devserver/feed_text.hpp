// The last.yml document generated for a release.
#pragma once

#include <string>
#include <string_view>

#include "release.hpp"

namespace corvald::devserver {

// version, path, sha512, size and, when known, releaseDate, one "key: value" line each.
std::string feed_yaml(const Release& release);

// The value as written in the feed: plain when it can only read back as the same string,
// single-quoted otherwise (a name with ": " or "#" would change the document's meaning).
std::string yaml_scalar(std::string_view value);

}  // namespace corvald::devserver
