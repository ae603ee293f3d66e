// The io StubError of a failed file operation, carrying the platform's code and its own text,
// so a log line shows what the operating system said rather than a library's paraphrase.
#pragma once

#include <string_view>
#include <system_error>

#include "base/stub_error.hpp"

namespace corvald::platform {

// From the calling thread's last error (GetLastError on Windows, errno elsewhere).
StubError last_file_error();
// The same, as the failed step `operation` on `path` (read before anything can overwrite it).
StubError last_file_error(std::string_view operation, const Path& path);
// From an error code reported by std::filesystem.
StubError file_error_from(const std::error_code& code);
// True when another program has the file open in a way that shuts this access out, as a
// virus scanner does for a moment after a file appears (Windows only: POSIX has no such lock).
bool is_sharing_violation(const StubError& error);

}  // namespace corvald::platform
