#include "platform/system_library.hpp"

#include "platform/system_message.hpp"
#include "platform/wide.hpp"
#include "text/format.hpp"

namespace corvald::platform {
namespace {

std::string reason(DWORD code) {
  const std::string message = system_message(code);
  return text::format("{} (win32 err {})", message.empty() ? "failed" : message, code);
}

}  // namespace

bool restrict_dll_search_to_system32() {
  return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

Result<HMODULE> load_system_library(const wchar_t* file_name) {
  const HMODULE module = LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    const DWORD code = GetLastError();
    return StubError::internal(
        text::format("load {}: {}", narrow(file_name).value_or("?"), reason(code)));
  }
  return module;
}

SystemLibraryBinder::SystemLibraryBinder(const wchar_t* file_name)
    : dll_(narrow(file_name).value_or("?")) {
  auto module = load_system_library(file_name);
  if (module) {
    module_ = *module;
  } else {
    error_ = std::move(module).error();
  }
}

FARPROC SystemLibraryBinder::find(const char* name) {
  if (error_) return nullptr;
  const FARPROC proc = GetProcAddress(module_, name);
  if (proc == nullptr) {
    error_ = StubError::internal(
        text::format("{}: function {} not found: {}", dll_, name, reason(GetLastError())));
  }
  return proc;
}

}  // namespace corvald::platform
