#include "worker/installer_step.hpp"

#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <system_error>
#include <vector>

#include "logfile/test/log_test_support.hpp"
#include "verify/file_digest.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;

DWORD error_of(BOOL ok) { return ok ? ERROR_SUCCESS : GetLastError(); }

// Between the verification and the start, and on until the installer has exited, nothing can
// write, rename or delete the installer: each attempt meets a sharing violation, and what
// runs is the verified program (cmd.exe here, told to exit with 7). Once the hold ends the
// file is free again.
TEST(InstallerStepWin, VerifiedInstallerCannotBeSwappedBeforeItStarts) {
  logfile::testing::TempDir dir;
  wchar_t system[MAX_PATH];
  const UINT n = GetSystemDirectoryW(system, MAX_PATH);
  const fs::path installer = dir.path() / "Setup.exe";
  fs::copy_file(fs::path(std::wstring(system, n)) / L"cmd.exe", installer);
  const feed::Feed feed{"2.0.1", "https://cdn.example/Setup.exe",
                        verify::sha512_base64_of_file(installer).value(), std::nullopt,
                        fs::file_size(installer)};

  std::vector<DWORD> errors;
  auto hold = cache::hold_verified(installer, feed);
  ASSERT_TRUE(hold.ok()) << hold.error().display();
  auto code = run_held_installer(*hold, {"/c", "exit", "7"}, [&](const Path& held) {
    const HANDLE writer = CreateFileW(held.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    errors.push_back(error_of(writer != INVALID_HANDLE_VALUE));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    errors.push_back(error_of(MoveFileExW(held.c_str(), (dir.path() / "moved.exe").c_str(), 0)));
    errors.push_back(error_of(DeleteFileW(held.c_str())));
  });
  ASSERT_TRUE(code.ok()) << code.error().display();
  EXPECT_EQ(*code, 7u);
  EXPECT_EQ(errors, std::vector<DWORD>(3, ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(DeleteFileW(installer.c_str())) << "held until the hold ends";
  { const cache::HeldInstaller released = std::move(hold).value(); }
  EXPECT_TRUE(DeleteFileW(installer.c_str()));
}

}  // namespace
}  // namespace corvald
