// SHA-512 of a file in the feed's form: standard base64 of the 64-byte digest (88 characters).
#pragma once

#include "text/path.hpp"
#include <string>
#include <string_view>

#include "base/result.hpp"
#include "platform/file.hpp"

namespace corvald::verify {

Result<std::string> sha512_base64_of_file(const Path& path);
// Reads an open file from its current position to its end.
Result<std::string> sha512_base64_of(platform::File& file);
std::string base64_encode(std::string_view bytes);

}  // namespace corvald::verify
