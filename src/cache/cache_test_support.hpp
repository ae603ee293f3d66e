// The cache as a run meets it: the slot prepared, then judged.
#pragma once

#include "cache/cache.hpp"

namespace corvald::cache::testing {

// The feed's SHA-512 of the three bytes "abc", the installer most cache tests plant.
inline constexpr char kAbcSha[] =
    "3a81oZNherrMQXNJriBBMRLm+k6JqX6iCp7u5ktV05ohkpkqJ0/BqDa6PCOj/uu9RU1EI2Q86A4qmslPpUyknw==";

inline Result<CacheLookup> lookup_in(const Path& root, const feed::Feed& feed,
                                     const DigestFn& digest = {},
                                     const Clock& clock = Clock::real()) {
  auto slot = prepare_cache_slot_in(root, feed);
  if (!slot) return std::move(slot).error();
  return cache_lookup(*slot, feed, clock, digest);
}

}  // namespace corvald::cache::testing
