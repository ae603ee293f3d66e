/* A DLL that stands in for one planted beside the stub under a system DLL's name: when any
   process loads it, it leaves NAME.dll.loaded beside itself. Its one export lets a program that
   imports it by that name start only when the loader took this copy (see control_import.c). */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

__declspec(dllexport) int corvald_marker_probe(void) { return 0; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t marker[MAX_PATH + 16];
    const DWORD n = GetModuleFileNameW(self, marker, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcatW(marker, L".loaded");
      HANDLE file =
          CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}
