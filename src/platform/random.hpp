// The operating system's random source.
#pragma once

#include <cstddef>
#include <span>

namespace corvald::platform {

// Fills `out` from the OS source (BCryptGenRandom, getrandom). Those calls do not fail for
// small requests on a working system; a failure aborts rather than hand out weak randomness.
void os_random_bytes(std::span<std::byte> out);

}  // namespace corvald::platform
