// DLLs that are not on the system's KnownDLLs list, loaded at run time from the system folder
// alone. The stub starts from a Downloads folder, where anyone may have left a DLL with a
// system name; an import or a plain LoadLibrary would take that one first.
#pragma once

#include "platform/windows.hpp"

#include <optional>
#include <string>

#include "base/result.hpp"

namespace corvald::platform {

// Restricts every later DLL search of the process, the system's own included, to System32.
// The very first call of the program; false when the system refused it.
bool restrict_dll_search_to_system32();

// Loads `file_name` (e.g. L"winhttp.dll") with LOAD_LIBRARY_SEARCH_SYSTEM32, after the DLLs it
// would load lazily of its own, from the same folder; the modules stay loaded for the life of
// the process. Failure: internal "load {file}: {system text}".
Result<HMODULE> load_system_library(const wchar_t* file_name);

// Fills one table of function pointers from one system DLL; the first name that is missing
// (or the load failure) becomes the table's error:
//   SystemLibraryBinder bind(L"winhttp.dll");
//   bind(api.open, "WinHttpOpen");
//   return bind.finish(api);
class SystemLibraryBinder {
 public:
  explicit SystemLibraryBinder(const wchar_t* file_name);

  template <class Fn>
  void operator()(Fn*& slot, const char* name) {
    // Through void(*)(): GCC warns about casts between other function types.
    slot = reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(find(name)));
  }

  template <class Table>
  Result<Table> finish(const Table& table) const {
    if (error_) return *error_;
    return table;
  }

 private:
  FARPROC find(const char* name);

  std::string dll_;
  HMODULE module_ = nullptr;
  std::optional<StubError> error_;
};

}  // namespace corvald::platform
