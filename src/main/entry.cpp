// The process entry point of corvald-setup.exe.
#include "main/stub_main.hpp"
#include "platform/windows.hpp"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const int code = corvald::stub_main();
  // A windowed run may end while its detached worker is still busy. ExitProcess ends the other
  // threads before anything is torn down; a plain return would run the static destructors under
  // a worker that may still be using what they destroy.
  ExitProcess(static_cast<UINT>(code));
}
