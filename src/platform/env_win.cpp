#include "platform/env.hpp"

#include "platform/windows.hpp"

#include "platform/wide.hpp"

namespace corvald::platform {
namespace {

std::optional<std::wstring> read_wide(std::string_view name) {
  const std::wstring wide_name = widen(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n =
        GetEnvironmentVariableW(wide_name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::wstring();  // set, but empty
    }
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    value.resize(n);  // n counts the terminating NUL when the buffer was too small
  }
}

}  // namespace

std::optional<std::string> env_var(std::string_view name) {
  auto wide = read_wide(name);
  if (!wide) return std::nullopt;
  return narrow(*wide);
}

std::optional<Path> env_path(std::string_view name) {
  auto wide = read_wide(name);
  if (!wide) return std::nullopt;
  return Path(*wide);
}

}  // namespace corvald::platform
