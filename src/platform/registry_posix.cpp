#include "platform/registry.hpp"

namespace corvald::platform {
namespace {

constexpr std::uint32_t kFileNotFound = 2;  // what Win32 answers for a missing key

// Native builds have no registry; behaving as an empty one lets the Windows-minded callers
// (the uninstall probe) run unchanged and simply find nothing.
class EmptyRegistry final : public Registry {
 public:
  OpenedKey create_key(RegistryRoot, std::string_view) override { return {kFileNotFound, nullptr}; }
  OpenedKey open_key(RegistryRoot, std::string_view, RegistryAccess) override {
    return {kFileNotFound, nullptr};
  }
};

}  // namespace

Registry& system_registry() {
  static EmptyRegistry registry;
  return registry;
}

}  // namespace corvald::platform
