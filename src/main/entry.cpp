// The process entry point of corvald-setup.exe.
#include <exception>

#include "main/stub_main.hpp"
#include "platform/system_library.hpp"
#include "startup/run_mode.hpp"
#include "wer_setup/fail_fast.hpp"

// What std::terminate calls unless a program sets its own handler. libstdc++'s prints the
// exception's demangled type to a console that a windowed program does not have, brings the
// demangler into the program (about 45 KB of a download stub) and ends in abort, which Windows
// Error Reporting never sees. Defined here, in the program's own object, the library's is never
// linked.
namespace __gnu_cxx {
void __verbose_terminate_handler() { corvald::end_with_fail_fast(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: the stub is started from a Downloads folder, and no DLL
  // of anyone's may come from there, not even one that a system DLL asks for. Every system
  // the stub supports can do this; one that cannot is not safe to run on.
  if (!corvald::platform::restrict_dll_search_to_system32()) {
    return static_cast<int>(corvald::ExitCode::failed);
  }
  const int code = corvald::stub_main();
  // A windowed run may end while its detached worker is still busy. ExitProcess ends the other
  // threads before anything is torn down; a plain return would run the static destructors under
  // a worker that may still be using what they destroy.
  ExitProcess(static_cast<UINT>(code));
}
