#include "platform/file_error.hpp"

#include <cerrno>
#include <cstring>

namespace corvald::platform {

StubError last_file_error() {
  return file_error_from(std::error_code(errno, std::generic_category()));
}

StubError file_error_from(const std::error_code& code) {
  return StubError::io(IoError{static_cast<std::uint32_t>(code.value()), code.message()});
}

bool is_sharing_violation(const StubError&) { return false; }

}  // namespace corvald::platform
