#include "demo_install.hpp"

#include "platform/windows.hpp"

#include "platform/process.hpp"

namespace corvald::e2e {
namespace {

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvaldTavrin";

}  // namespace

std::filesystem::path demo_installer(const std::string& release, const std::string& version) {
  return std::filesystem::path(platform::current_exe_path().value().parent_path().parent_path()) /
         "demo" / "releases" / release / ("Corvald-Tavrin-Setup-" + version + ".exe");
}

std::optional<std::wstring> uninstall_value(const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, nullptr,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value.data(),
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

bool uninstall_entry_exists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void forget_installation() { RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey); }

}  // namespace corvald::e2e
