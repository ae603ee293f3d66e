#include "platform/registry.hpp"

#include <algorithm>
#include <vector>

#include "platform/wide.hpp"
#include "platform/win_handles.hpp"

namespace corvald::platform {
namespace {

HKEY root_key(RegistryRoot root) {
  return root == RegistryRoot::current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

REGSAM access_mask(RegistryAccess access) {
  return access == RegistryAccess::read ? KEY_READ : KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
}

OpenedKey open_under(HKEY parent, std::string_view path, RegistryAccess access);

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(UniqueRegKey key) : key_(std::move(key)) {}

  std::optional<std::uint32_t> query_dword(std::string_view name) override {
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS rc = RegQueryValueExW(key_.get(), widen(name).c_str(), nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
  }

  std::optional<std::string> query_string(std::string_view name) override {
    const std::wstring wide_name = widen(name);
    DWORD size = 0;
    LSTATUS rc = RegQueryValueExW(key_.get(), wide_name.c_str(), nullptr, nullptr, nullptr, &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return std::nullopt;
    if (size == 0) return std::string();
    // An odd byte count still gets room for its last partial unit.
    std::vector<wchar_t> buffer((size + 1) / 2, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(key_.get(), wide_name.c_str(), nullptr, nullptr,
                          reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    std::size_t units = std::min<std::size_t>(buffer.size(), (bytes + 1) / 2);
    while (units > 0 && buffer[units - 1] == L'\0') --units;
    return narrow(std::wstring_view(buffer.data(), units));
  }

  std::uint32_t set_dword(std::string_view name, std::uint32_t value) override {
    const DWORD data = value;
    return static_cast<std::uint32_t>(RegSetValueExW(key_.get(), widen(name).c_str(), 0, REG_DWORD,
                                                     reinterpret_cast<const BYTE*>(&data),
                                                     sizeof(data)));
  }

  std::uint32_t set_string(std::string_view name, std::string_view value) override {
    const std::wstring wide = widen(value);
    // The terminating NUL is part of the stored data, as REG_SZ readers expect.
    const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    return static_cast<std::uint32_t>(RegSetValueExW(key_.get(), widen(name).c_str(), 0, REG_SZ,
                                                     reinterpret_cast<const BYTE*>(wide.c_str()),
                                                     bytes));
  }

  std::optional<std::string> read_text(std::string_view name) override {
    const std::wstring wide_name = widen(name);
    DWORD size = 0;
    if (RegQueryValueExW(key_.get(), wide_name.c_str(), nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
      return std::nullopt;
    }
    std::vector<std::uint8_t> data(size);
    DWORD bytes = size;
    // A value that grew between the two queries fails here and counts as absent.
    if (RegQueryValueExW(key_.get(), wide_name.c_str(), nullptr, nullptr, data.data(), &bytes) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    data.resize(std::min<std::size_t>(bytes, data.size()));
    return decode_registry_text(data);
  }

  std::optional<std::string> subkey_name(std::uint32_t index) override {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key_.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    // Decoded lossily: an undecodable name then fails to reopen and is skipped, rather than
    // ending the enumeration early.
    return decode_registry_text(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(name), length * sizeof(wchar_t)));
  }

  OpenedKey open_subkey(std::string_view name, RegistryAccess access) override {
    return open_under(key_.get(), name, access);
  }

 private:
  UniqueRegKey key_;
};

OpenedKey open_under(HKEY parent, std::string_view path, RegistryAccess access) {
  UniqueRegKey key;
  const LSTATUS rc = RegOpenKeyExW(parent, widen(path).c_str(), 0, access_mask(access), key.put());
  if (rc != ERROR_SUCCESS) return {static_cast<std::uint32_t>(rc), nullptr};
  return {0, std::make_unique<Win32RegistryKey>(std::move(key))};
}

class Win32Registry final : public Registry {
 public:
  OpenedKey create_key(RegistryRoot root, std::string_view path) override {
    UniqueRegKey key;
    const LSTATUS rc =
        RegCreateKeyExW(root_key(root), widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return {static_cast<std::uint32_t>(rc), nullptr};
    return {0, std::make_unique<Win32RegistryKey>(std::move(key))};
  }

  OpenedKey open_key(RegistryRoot root, std::string_view path, RegistryAccess access) override {
    return open_under(root_key(root), path, access);
  }
};

}  // namespace

Registry& system_registry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace corvald::platform
