// The signed stub judged the way Windows judges a download: WinVerifyTrust with the Authenticode
// policy, against the prefix's trusted roots. make_signed_copies.sh writes the copies and the
// test root into CORVALD_SIGNED_COPIES.
//
// Each verdict is asked of a fresh process (this program started again with --verify): Wine's
// crypt32 reads the root store once per process, so a root added here would not be seen by a
// WinVerifyTrust call in this same process.
#include <windows.h>

#include <gtest/gtest.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "user_trusted_root.hpp"

namespace {

LONG verify_trust(const wchar_t* path) {
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG verdict = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return verdict;
}

std::filesystem::path copies() {
  const char* dir = std::getenv("CORVALD_SIGNED_COPIES");
  return dir ? std::filesystem::path(dir) : std::filesystem::path();
}

// WinVerifyTrust's verdict on `file`, asked of a new process.
LONG verdict_of(const std::filesystem::path& file) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --verify \"" + file.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start the verifier, error " << GetLastError();
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<LONG>(code);
}

std::vector<BYTE> read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(WindowsTrustTest, SignedStubIsTrustedOnlyUnderItsRootAndUnchanged) {
  const auto dir = copies();
  ASSERT_FALSE(dir.empty()) << "CORVALD_SIGNED_COPIES is not set";
  const auto signed_stub = dir / "wine-signed.exe";
  ASSERT_TRUE(std::filesystem::exists(signed_stub)) << signed_stub;

  // Control: before its root is trusted, the very same file is refused.
  EXPECT_EQ(verdict_of(signed_stub), CERT_E_UNTRUSTEDROOT);

  corvald::test_support::UserTrustedRoot root(read_bytes(dir / "wine-trusted" / "ca.cer"));
  ASSERT_TRUE(root.trusted()) << "the test root did not reach the store";
  EXPECT_EQ(verdict_of(signed_stub), ERROR_SUCCESS);
  // One byte changed in the code section: the file no longer matches its signed digest.
  EXPECT_EQ(verdict_of(dir / "wine-tampered.exe"), TRUST_E_BAD_DIGEST);
  // Signed by a CA that nobody trusts.
  EXPECT_EQ(verdict_of(dir / "wine-untrusted.exe"), CERT_E_UNTRUSTEDROOT);
  EXPECT_EQ(verdict_of(dir / "unsigned.exe"), TRUST_E_NOSIGNATURE);

  // The prefix is left as it was: the root is gone and the stub untrusted again.
  root.remove();
  EXPECT_FALSE(root.present());
  EXPECT_EQ(verdict_of(signed_stub), CERT_E_UNTRUSTEDROOT);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--verify") {
    const std::filesystem::path file(argv[2]);
    return static_cast<int>(verify_trust(file.wstring().c_str()));
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
