// The line that follows a logged error: where it happened. The error's own line keeps its
// fixed text; the steps and the platform code it carries go on a line of their own after it,
// with the same prefix, so support reads which file and which step failed.
#pragma once

#include <string>
#include <string_view>

#include "base/stub_error.hpp"
#include "logfile/log.hpp"

namespace corvald {

// "{prefix}where: {context}", or empty when the error carries neither steps nor a code.
std::string where_line(std::string_view prefix, const StubError& error);

// "{prefix}why: {detail}", or empty when the error has no detail.
std::string why_line(std::string_view prefix, const StubError& error);

// Writes where_line and then why_line at `level`, each when there is one.
void log_where(std::string_view prefix, const StubError& error,
               logfile::Level level = logfile::Level::info);

}  // namespace corvald
