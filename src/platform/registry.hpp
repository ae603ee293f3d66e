// The registry seam: the Win32 registry in the product, an in-memory one in native tests.
// Names and values are UTF-8 here; the Win32 side converts to and from UTF-16.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvald::platform {

enum class RegistryRoot { current_user, local_machine };

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
};

// The machine's registry (Windows builds only).
Registry& system_registry();

}  // namespace corvald::platform
