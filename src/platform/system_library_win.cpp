#include "platform/system_library.hpp"

#include <initializer_list>

#include "platform/system_message.hpp"
#include "platform/wide.hpp"
#include "text/format.hpp"

namespace corvald::platform {
namespace {

std::string reason(DWORD code) {
  const std::string message = system_message(code);
  return text::format("{} (win32 err {})", message.empty() ? "failed" : message, code);
}

struct PulledIn {
  const wchar_t* library;
  std::initializer_list<const wchar_t*> dependencies;
};

// What these libraries load lazily (delay-load imports, or LoadLibrary of their own) when first
// used. Such a load searches by bare name, and Wine's loader still looks in the program's
// folder first despite SetDefaultDllDirectories; so each dependency is loaded from System32
// ahead of its library, and the later lazy load finds it in the process already. The lists are
// what a traced run loads (tests/e2e/planting/loaded_dlls.txt), less the KnownDLLs.
constexpr PulledIn kPulledIn[] = {
    // Certificates; the security packages of an https connection.
    {L"winhttp.dll", {L"crypt32.dll", L"secur32.dll"}},
    // Through its theme library, at the first themed drawing.
    {L"comctl32.dll", {L"msimg32.dll"}},
};

void load_dependencies_of(const wchar_t* file_name) {
  for (const auto& entry : kPulledIn) {
    if (lstrcmpiW(entry.library, file_name) != 0) continue;
    for (const wchar_t* dependency : entry.dependencies) {
      // A dependency that fails here fails again when its library asks for it, and is
      // reported there; the library itself may never need it.
      (void)LoadLibraryExW(dependency, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
  }
}

}  // namespace

bool restrict_dll_search_to_system32() {
  return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

Result<HMODULE> load_system_library(const wchar_t* file_name) {
  load_dependencies_of(file_name);
  const HMODULE module = LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    const DWORD code = GetLastError();
    return StubError::system_failure(
        text::format("load {}: {}", narrow(file_name).value_or("?"), reason(code)), code);
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
    const DWORD code = GetLastError();
    error_ = StubError::system_failure(
        text::format("{}: function {} not found: {}", dll_, name, reason(code)), code);
  }
  return proc;
}

}  // namespace corvald::platform
