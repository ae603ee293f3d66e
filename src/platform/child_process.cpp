#include "platform/child_process.hpp"

#include <utility>

namespace corvald::platform {

std::string quote_windows_arg(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(arg);
  }
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes only escape when a quote follows; elsewhere they are literal.
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    out.push_back(c);
    backslashes = 0;
  }
  // The closing quote is a quote too, so trailing backslashes must not escape it.
  out.append(2 * backslashes, '\\');
  out.push_back('"');
  return out;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : native_(std::exchange(other.native_, kNone)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    close();
    native_ = std::exchange(other.native_, kNone);
  }
  return *this;
}

ChildProcess::~ChildProcess() { close(); }

}  // namespace corvald::platform
