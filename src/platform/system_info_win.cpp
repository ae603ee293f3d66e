#include "platform/system_info.hpp"

#include "platform/windows.hpp"

namespace corvald::platform {
namespace {

// Looked up at run time: IsWow64Process2 only exists from Windows 10 1709 on, and
// RtlGetVersion is not in the import libraries we link against. The cast goes through
// void(*)() because GCC warns about casts between other function types.
template <class Fn>
Fn find_export(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);
  if (handle == nullptr) return nullptr;
  const FARPROC proc = GetProcAddress(handle, name);
  if (proc == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

std::optional<std::uint16_t> native_machine() {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto is_wow64_process2 = find_export<IsWow64Process2Fn>(L"kernel32.dll", "IsWow64Process2");
  if (is_wow64_process2 == nullptr) return std::nullopt;
  USHORT process_machine = 0;
  USHORT machine = 0;
  if (!is_wow64_process2(GetCurrentProcess(), &process_machine, &machine)) return std::nullopt;
  return static_cast<std::uint16_t>(machine);
}

std::optional<OsVersion> os_version() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto rtl_get_version = find_export<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
  if (rtl_get_version == nullptr) return std::nullopt;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtl_get_version(&info) != 0) return std::nullopt;  // anything but STATUS_SUCCESS
  return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::optional<std::uint64_t> disk_free_bytes(const Path& folder) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::optional<MemoryStatus> memory_status() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
  return MemoryStatus{status.ullTotalPhys, status.ullAvailPhys};
}

}  // namespace corvald::platform
