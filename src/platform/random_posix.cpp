#include "platform/random.hpp"

#include <sys/random.h>

#include <cstdlib>

namespace corvald::platform {

void os_random_bytes(std::span<std::byte> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = getrandom(out.data() + done, out.size() - done, 0);
    if (n < 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace corvald::platform
