// HTTP request headers as the client sends them: ordered, names as written.
#pragma once

#include <string>
#include <vector>

namespace corvald::net {

struct Header {
  std::string name;
  std::string value;

  friend bool operator==(const Header&, const Header&) = default;
};

using HeaderList = std::vector<Header>;

// The list as the one text the platform takes: "name: value" lines joined by CR LF, with no
// line break after the last; empty for an empty list, which the platform refuses, so that
// one is never handed over.
std::string header_block(const HeaderList& headers);

}  // namespace corvald::net
