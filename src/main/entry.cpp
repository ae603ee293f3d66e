// The process entry point of corvald-setup.exe.
#include "main/stub_main.hpp"
#include "platform/windows.hpp"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return corvald::stub_main(); }
