#include "stub_process.hpp"

#include <cwctype>

#include "platform/process.hpp"
#include "platform/win_handles.hpp"

namespace corvald::e2e {
namespace {

std::wstring upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

// The current environment with the run's changes, as a sorted, double-NUL-terminated block.
std::wstring environment_block(const StubRun& run) {
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> vars;  // upper name -> (name, value)
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry(p);
      const auto eq = entry.find(L'=', 1);  // names like "=C:" start with '='
      if (eq == std::wstring::npos) continue;
      const std::wstring name = entry.substr(0, eq);
      vars[upper(name)] = {name, entry.substr(eq + 1)};
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : run.env) {
    if (value) vars[upper(name)] = {name, *value};
    else vars.erase(upper(name));
  }
  std::wstring out;
  for (const auto& [key, nv] : vars) out += nv.first + L"=" + nv.second + L'\0';
  out += L'\0';
  return out;
}

std::wstring quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

}  // namespace

std::filesystem::path stub_exe() {
  // The build puts every program in one folder.
  return platform::current_exe_path().value().parent_path() / "corvald-setup.exe";
}

std::optional<unsigned long> run_stub(const StubRun& run) {
  const std::wstring exe = stub_exe().wstring();
  std::wstring command_line = quote(exe);
  for (const auto& arg : run.args) command_line += L" " + quote(arg);
  std::wstring env = environment_block(run);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &startup, &info)) {
    return std::nullopt;
  }
  platform::UniqueKernelHandle process(info.hProcess);
  platform::UniqueKernelHandle thread(info.hThread);
  if (WaitForSingleObject(process.get(), static_cast<DWORD>(run.timeout.count())) !=
      WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 255);
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) return std::nullopt;
  return code;
}

std::filesystem::path fresh_folder(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("corvald-e2e-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace corvald::e2e
