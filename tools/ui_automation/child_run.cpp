#include "child_run.hpp"

#include <cwctype>
#include <utility>

#include "platform/win_handles.hpp"

namespace corvald::e2e {
namespace {

std::wstring upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

// The current environment with the run's changes, as a sorted, double-NUL-terminated block:
// CreateProcessW expects it sorted and Windows names compare without case.
std::wstring environment_block(const ChildRun& run) {
  std::map<std::wstring, std::pair<std::wstring, std::wstring>>
      vars;  // upper name -> (name, value)
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
    if (value)
      vars[upper(name)] = {name, *value};
    else
      vars.erase(upper(name));
  }
  std::wstring out;
  for (const auto& [key, nv] : vars) out += nv.first + L"=" + nv.second + L'\0';
  out += L'\0';
  return out;
}

// Quoting that CommandLineToArgvW and the CRT undo exactly.
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

std::optional<RunningChild> RunningChild::start(const ChildRun& run) {
  const std::wstring exe = run.program.wstring();
  std::wstring command_line = quote(exe);
  for (const auto& arg : run.args) command_line += L" " + quote(arg);
  if (!run.verbatim_tail.empty()) command_line += L" " + run.verbatim_tail;
  std::wstring env = environment_block(run);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &startup, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  return RunningChild(info.hProcess, info.dwProcessId);
}

RunningChild::RunningChild(RunningChild&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), pid_(other.pid_) {}

RunningChild::~RunningChild() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) TerminateProcess(process_, 255);
  CloseHandle(process_);
}

std::optional<unsigned long> RunningChild::wait(std::chrono::milliseconds timeout) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

std::optional<unsigned long> run_child(const ChildRun& run) {
  auto child = RunningChild::start(run);
  if (!child) return std::nullopt;
  return child->wait(run.timeout);  // one that is still running is terminated on the way out
}

}  // namespace corvald::e2e
