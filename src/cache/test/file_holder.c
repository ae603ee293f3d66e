/* Holds a file open as a virus scanner does for a moment after the file appears, for the cache's
 * tests under Wine: file_holder PATH MILLISECONDS SHARE READY opens PATH for reading with the
 * share mode SHARE (0: nobody else may open it; 1: others may only read it), creates READY
 * once the file is held, sleeps and lets go. Exit code 0 when it held the file. */
#include <windows.h>

#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const DWORD hold_ms = wcstoul(argv[2], NULL, 10);
  const DWORD share = wcstoul(argv[3], NULL, 10);
  HANDLE file =
      CreateFileW(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready =
      CreateFileW(argv[4], GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
  if (ready == INVALID_HANDLE_VALUE) return 4;
  CloseHandle(ready);
  Sleep(hold_ms);
  CloseHandle(file);
  return 0;
}
