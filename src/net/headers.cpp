#include "net/headers.hpp"

namespace corvald::net {

std::string header_block(const HeaderList& headers) {
  std::string block;
  for (const Header& h : headers) {
    block.append(h.name).append(": ").append(h.value).append("\r\n");
  }
  while (block.ends_with("\r\n")) block.resize(block.size() - 2);
  return block;
}

}  // namespace corvald::net
