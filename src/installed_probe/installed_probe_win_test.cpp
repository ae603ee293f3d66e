// The probe against the real registry, through an uninstall entry this test owns.
#include "installed_probe/installed_probe.hpp"

#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.hpp"
#include "platform/wide.hpp"

namespace corvald {
namespace {

constexpr const wchar_t* kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class ProbeRealRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    // A leading "!" sorts the entry ahead of real ones, and the pid keeps parallel runs apart.
    name_ = std::wstring(L"!CorvaldProbeTest-") + std::to_wstring(platform::current_process_id());
    const std::wstring path = std::wstring(kUninstall) + L"\\" + name_;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    set(key, L"DisplayName", L"Corvald Tavrin 9.9.9", REG_SZ);
    set(key, L"DisplayVersion", L"9.9.9", REG_SZ);
    // Environment references stay as written: the probe does not expand them.
    set(key, L"DisplayIcon", L"\"%ProgramFiles%\\Corvald Tavrin\\Corvald Tavrin.exe\",0",
        REG_EXPAND_SZ);
    RegCloseKey(key);
  }
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kUninstall) + L"\\" + name_).c_str());
  }

  static void set(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type) {
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

  std::wstring name_;
};

TEST_F(ProbeRealRegistry, FindsTheEntryAndReadsItsValuesUnexpanded) {
  auto found = probe_installed();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->version, "9.9.9");
  EXPECT_EQ(found->exe,
            std::filesystem::path(L"%ProgramFiles%\\Corvald Tavrin\\Corvald Tavrin.exe"));
  // The executable does not exist, so the entry is not a healthy install.
  EXPECT_FALSE(probe_installed_healthy());
}

}  // namespace
}  // namespace corvald
