#include <cstdlib>

#include "platform/windows.hpp"
// windows.hpp first: bcrypt.h needs its types.
#include <bcrypt.h>

#include "platform/random.hpp"

namespace corvald::platform {

void os_random_bytes(std::span<std::byte> out) {
  const NTSTATUS status =
      BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(out.data()),
                      static_cast<ULONG>(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) std::abort();
}

}  // namespace corvald::platform
