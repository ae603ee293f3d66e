// How long the cache waits for a program that has just opened one of its files.
#pragma once

#include <array>
#include <chrono>

namespace corvald::cache {

// A virus scanner or indexer that has just opened a new file usually lets go within a second
// or two; the waits before each try, the first at once.
inline constexpr std::array<std::chrono::milliseconds, 3> kScannerWaits = {
    std::chrono::milliseconds(0), std::chrono::milliseconds(300), std::chrono::milliseconds(1500)};

}  // namespace corvald::cache
