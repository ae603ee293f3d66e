// The registry seam: the Win32 registry in the product, an in-memory one in native tests.
// Names and values are UTF-8 here; the Win32 side converts to and from UTF-16.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvald::platform {

enum class RegistryRoot { current_user, local_machine };

// The rights a read-only open asks for: enumerating needs no more than the first, and the
// uninstall entries themselves are opened with the usual read rights.
enum class RegistryAccess { enumerate_and_query, read };

struct OpenedKey;

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // A 4-byte read whatever the stored type; nothing when the query fails.
  virtual std::optional<std::uint32_t> query_dword(std::string_view name) = 0;
  // A REG_SZ-style read (trailing NUL units dropped); nothing when the query fails.
  virtual std::optional<std::string> query_string(std::string_view name) = 0;

  // Win32 result codes: 0 on success.
  virtual std::uint32_t set_dword(std::string_view name, std::uint32_t value) = 0;
  virtual std::uint32_t set_string(std::string_view name, std::string_view value) = 0;

  // Any value read as text whatever its type, without expanding %references%: absent when
  // either query fails or the data is empty, otherwise decode_registry_text of the data.
  virtual std::optional<std::string> read_text(std::string_view name) = 0;
  // The subkey name at `index`; nothing once the enumeration call fails, which includes a
  // name that does not fit a 256-character buffer, so such a name ends the enumeration.
  virtual std::optional<std::string> subkey_name(std::uint32_t index) = 0;
  virtual OpenedKey open_subkey(std::string_view name, RegistryAccess access) = 0;
};

struct OpenedKey {
  std::uint32_t rc = 0;  // Win32 result code; key is set only when rc is 0
  std::unique_ptr<RegistryKey> key;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens the key for query and set, creating it and missing parents when needed.
  virtual OpenedKey create_key(RegistryRoot root, std::string_view path) = 0;
  // Opens an existing key without creating anything.
  virtual OpenedKey open_key(RegistryRoot root, std::string_view path, RegistryAccess access) = 0;
};

// Registry data as text: UTF-16 code units (an odd last byte dropped), cut at the first NUL,
// every invalid sequence replaced by U+FFFD. Uninstall entries are written by third-party
// installers, so nothing about their data is trusted.
std::string decode_registry_text(std::span<const std::uint8_t> bytes);

// The machine's registry; on other systems a registry in which no key exists.
Registry& system_registry();

}  // namespace corvald::platform
