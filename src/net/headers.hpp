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

}  // namespace corvald::net
