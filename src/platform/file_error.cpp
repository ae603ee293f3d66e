#include "platform/file_error.hpp"

namespace corvald::platform {

StubError last_file_error(std::string_view operation, const Path& path) {
  StubError error = last_file_error();
  return std::move(error).with_context(std::string(operation), path);
}

}  // namespace corvald::platform
