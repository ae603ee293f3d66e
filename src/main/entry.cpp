// The process entry point of corvald-setup.exe.
#include "main/run_mode.hpp"
#include "main/stub_main.hpp"
#include "platform/system_library.hpp"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: the stub is started from a Downloads folder, and no DLL
  // of anyone's may come from there, not even one that a system DLL asks for. Every system
  // the stub supports can do this; one that cannot is not safe to run on.
  if (!corvald::platform::restrict_dll_search_to_system32()) {
    return static_cast<int>(corvald::ExitCode::failed);
  }
  return corvald::stub_main();
}
