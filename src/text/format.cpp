#include "text/format.hpp"

namespace corvald::text {

std::string path_to_utf8(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

}  // namespace corvald::text
