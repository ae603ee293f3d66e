#include <cstdlib>

#include "platform/system_library.hpp"
// windows.hpp (through system_library.hpp) first: bcrypt.h needs its types.
#include <bcrypt.h>

#include "platform/random.hpp"

namespace corvald::platform {
namespace {

// bcrypt.dll is not a KnownDLL: it comes from System32 through the loader seam, never as an
// import that the stub's own folder could answer.
struct BCryptApi {
  decltype(&BCryptGenRandom) gen_random;
};

Result<BCryptApi> load_bcrypt() {
  BCryptApi api{};
  SystemLibraryBinder bind(L"bcrypt.dll");
  bind(api.gen_random, "BCryptGenRandom");
  return bind.finish(api);
}

}  // namespace

void os_random_bytes(std::span<std::byte> out) {
  static const Result<BCryptApi> api = load_bcrypt();
  // Without the system source there is no randomness worth handing out.
  if (!api) std::abort();
  const NTSTATUS status =
      api->gen_random(nullptr, reinterpret_cast<PUCHAR>(out.data()), static_cast<ULONG>(out.size()),
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) std::abort();
}

}  // namespace corvald::platform
