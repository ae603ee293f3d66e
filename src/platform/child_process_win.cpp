#include "platform/child_process.hpp"

#include "platform/system_message.hpp"
#include "platform/wide.hpp"
#include "platform/win_handles.hpp"
#include "text/format.hpp"

namespace corvald::platform {
namespace {

// The last error under `prefix` ("{prefix}: {text}", or the text alone without one).
StubError last_error_failure(std::string_view prefix) {
  const auto code = static_cast<std::uint32_t>(GetLastError());
  std::string text = system_message(code);
  if (text.empty()) text = text::format("Win32 error {}", code);
  if (!prefix.empty()) text = text::format("{}: {}", prefix, text);
  return StubError::system_failure(std::move(text), code);
}

}  // namespace

void ChildProcess::close() {
  if (native_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(native_));
  native_ = kNone;
}

Result<std::uint32_t> ChildProcess::wait() {
  const auto handle = reinterpret_cast<HANDLE>(native_);
  DWORD code = 0;
  if (WaitForSingleObject(handle, INFINITE) == WAIT_FAILED || !GetExitCodeProcess(handle, &code)) {
    return last_error_failure("child.wait");
  }
  return static_cast<std::uint32_t>(code);
}

Result<ChildProcess> start_process(const Path& program, const std::vector<std::string>& args,
                                   const std::optional<Path>& working_dir, bool inherit_handles) {
  // The program's own token follows different rules (no escapes), so it is simply enclosed.
  std::wstring command_line = L"\"" + program.native() + L"\"";
  for (const auto& arg : args) command_line += L" " + widen(quote_windows_arg(arg));

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr,
                      inherit_handles ? TRUE : FALSE, CREATE_UNICODE_ENVIRONMENT, nullptr,
                      working_dir ? working_dir->c_str() : nullptr, &startup, &info)) {
    return last_error_failure("").with_context("start", program);
  }
  UniqueKernelHandle thread(info.hThread);
  return ChildProcess(reinterpret_cast<std::intptr_t>(info.hProcess));
}

}  // namespace corvald::platform
