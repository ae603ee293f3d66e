// dump_stub: the crash dumps of bench/report.sh. Wine writes no WER LocalDumps, so this starts
// the stub, lets it work for a while and writes the dump WER would have written: full memory,
// into %LOCALAPPDATA%\CrashDumps\<exe name>.<pid>.dmp. Beside it, taken right after, goes a
// MiniDumpNormal of the same process as <exe name>.<pid>.normal, which the stub never collects.
// Then it ends the stub.
//   dump_stub SECONDS EXE [ARGS...]   prints "dump type=full|normal bytes=N seconds=S path=P
//                                     normal_bytes=N [full_error=E]"
//   dump_stub exit                    returns at once: the start-up cost of a small program
#include <windows.h>
// dbghelp.h needs the types of windows.h first.
#include <dbghelp.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// CreateProcessW's command line: each argument quoted, inner quotes and the backslashes
// before them escaped as the C runtime reads them back.
std::wstring quoted(const wchar_t* arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t* p = arg; *p; ++p) {
    if (*p == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(*p == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(*p);
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring file_name_of(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Writes the dump of `process` to `path`; the Win32 error when it fails (the partial file is
// removed), 0 when it is written.
DWORD write_dump(HANDLE process, DWORD pid, const std::wstring& path, MINIDUMP_TYPE type) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  const BOOL ok = MiniDumpWriteDump(process, pid, file, type, nullptr, nullptr, nullptr);
  const DWORD error = ok ? 0 : (GetLastError() ? GetLastError() : ERROR_GEN_FAILURE);
  CloseHandle(file);
  if (!ok) DeleteFileW(path.c_str());
  return error;
}

unsigned long long size_of(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) return 0;
  return (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"exit") == 0) return 0;
  if (argc < 3) {
    std::fprintf(stderr, "usage: dump_stub SECONDS EXE [ARGS...] | dump_stub exit\n");
    return 2;
  }
  const DWORD wait_ms = static_cast<DWORD>(_wtof(argv[1]) * 1000);
  const std::wstring exe = argv[2];
  std::wstring command_line = quoted(argv[2]);
  for (int i = 3; i < argc; ++i) command_line += L" " + quoted(argv[i]);

  wchar_t local_app_data[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"LOCALAPPDATA", local_app_data, MAX_PATH)) {
    std::fprintf(stderr, "dump_stub: LOCALAPPDATA is not set\n");
    return 1;
  }
  const std::wstring folder = std::wstring(local_app_data) + L"\\CrashDumps";
  CreateDirectoryW(folder.c_str(), nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &child)) {
    std::fprintf(stderr, "dump_stub: CreateProcessW failed: %lu\n", GetLastError());
    return 1;
  }
  CloseHandle(child.hThread);
  if (WaitForSingleObject(child.hProcess, wait_ms) != WAIT_TIMEOUT) {
    std::fprintf(stderr, "dump_stub: the stub ended before the dump\n");
    CloseHandle(child.hProcess);
    return 1;
  }

  const std::wstring base =
      folder + L"\\" + file_name_of(exe) + L"." + std::to_wstring(child.dwProcessId);
  const std::wstring path = base + L".dmp";
  const char* kind = "full";
  const ULONGLONG started = GetTickCount64();
  const DWORD full_error =
      write_dump(child.hProcess, child.dwProcessId, path, MiniDumpWithFullMemory);
  DWORD error = full_error;
  if (full_error != 0) {
    kind = "normal";
    error = write_dump(child.hProcess, child.dwProcessId, path, MiniDumpNormal);
  }
  const double seconds = static_cast<double>(GetTickCount64() - started) / 1000.0;
  const DWORD normal_error =
      write_dump(child.hProcess, child.dwProcessId, base + L".normal", MiniDumpNormal);
  TerminateProcess(child.hProcess, 1);  // the crash these dumps stand for
  WaitForSingleObject(child.hProcess, 10000);
  CloseHandle(child.hProcess);
  if (error != 0 || normal_error != 0) {
    std::fprintf(stderr, "dump_stub: MiniDumpWriteDump failed: full %lu, normal %lu\n", full_error,
                 error ? error : normal_error);
    return 1;
  }
  std::printf("dump type=%s bytes=%llu seconds=%.2f path=%ls normal_bytes=%llu", kind,
              size_of(path), seconds, path.c_str(), size_of(base + L".normal"));
  if (full_error != 0) std::printf(" full_error=%lu", full_error);
  std::printf("\n");
  return 0;
}
