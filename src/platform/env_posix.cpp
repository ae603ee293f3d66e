#include "platform/env.hpp"

#include <cstdlib>

#include "text/utf.hpp"

namespace corvald::platform {

std::optional<std::string> env_var(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr || !text::is_valid_utf8(value)) return std::nullopt;
  return std::string(value);
}

std::optional<Path> env_path(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::filesystem::path(value);
}

}  // namespace corvald::platform
