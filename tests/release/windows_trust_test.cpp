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

// The current user's trusted roots live as one registry key per certificate, named by its
// SHA-1 thumbprint; deleting that key is how the root is taken back out afterwards.
std::wstring root_key_of(PCCERT_CONTEXT cert) {
  BYTE hash[20];
  DWORD size = sizeof(hash);
  CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size);
  std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
  const wchar_t* digits = L"0123456789ABCDEF";
  for (DWORD i = 0; i < size; ++i) {
    key += digits[hash[i] >> 4];
    key += digits[hash[i] & 15];
  }
  return key;
}

bool key_exists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

// Trusts the test root for the current user while it lives; leaves the store as it found it.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::vector<BYTE>& der) {
    cert_ =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (!cert_) return;
    key_ = root_key_of(cert_);
    was_there_ = key_exists(key_);
    HCERTSTORE root =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!root) return;
    added_ =
        CertAddCertificateContextToStore(root, cert_, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
  }
  ~TrustedRoot() { remove(); }
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;

  // Stored where a new process's root store reads it from.
  bool in_store() const { return added_ && key_exists(key_); }
  void remove() {
    if (added_ && !was_there_) RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
    added_ = false;
    if (cert_) CertFreeCertificateContext(cert_);
    cert_ = nullptr;
  }
  const std::wstring& key() const { return key_; }

 private:
  PCCERT_CONTEXT cert_ = nullptr;
  std::wstring key_;
  bool was_there_ = false;
  BOOL added_ = FALSE;
};

TEST(WindowsTrustTest, SignedStubIsTrustedOnlyUnderItsRootAndUnchanged) {
  const auto dir = copies();
  ASSERT_FALSE(dir.empty()) << "CORVALD_SIGNED_COPIES is not set";
  const auto signed_stub = dir / "wine-signed.exe";
  ASSERT_TRUE(std::filesystem::exists(signed_stub)) << signed_stub;

  // Control: before its root is trusted, the very same file is refused.
  EXPECT_EQ(verdict_of(signed_stub), CERT_E_UNTRUSTEDROOT);

  TrustedRoot root(read_bytes(dir / "wine-trusted" / "ca.cer"));
  ASSERT_TRUE(root.in_store()) << "the test root did not reach the store";
  EXPECT_EQ(verdict_of(signed_stub), ERROR_SUCCESS);
  // One byte changed in the code section: the file no longer matches its signed digest.
  EXPECT_EQ(verdict_of(dir / "wine-tampered.exe"), TRUST_E_BAD_DIGEST);
  // Signed by a CA that nobody trusts.
  EXPECT_EQ(verdict_of(dir / "wine-untrusted.exe"), CERT_E_UNTRUSTEDROOT);
  EXPECT_EQ(verdict_of(dir / "unsigned.exe"), TRUST_E_NOSIGNATURE);

  // The prefix is left as it was: the root is gone and the stub untrusted again.
  root.remove();
  EXPECT_FALSE(key_exists(root.key()));
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
