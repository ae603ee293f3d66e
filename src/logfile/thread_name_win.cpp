#include "logfile/thread_name.hpp"

#include "platform/windows.hpp"

#include "platform/wide.hpp"

namespace corvald::logfile {

void set_current_thread_name(const std::string& name) {
  // SetThreadDescription exists from Windows 10 1607 on; looked up so older systems still
  // start the stub.
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  const FARPROC proc = GetProcAddress(kernel, "SetThreadDescription");
  if (proc == nullptr) return;
  // Through void(*)() because GCC warns about casts between other function types.
  const auto set = reinterpret_cast<SetDescription>(reinterpret_cast<void (*)()>(proc));
  (void)set(GetCurrentThread(), platform::widen(name).c_str());
}

}  // namespace corvald::logfile
