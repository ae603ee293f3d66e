/* The attack without the stub's defence, for DLLs loaded at run time: LoadLibraryW with no
   flags for every name on the command line, the default search order that starts with the
   program's own folder. Exits with the number of names that could not be loaded. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    if (LoadLibraryW(argv[i]) == NULL) ++failed;
  }
  return failed;
}
