// The cache as a run meets it: the slot prepared, then judged.
#pragma once

#include "cache/cache.hpp"

namespace corvald::cache::testing {

inline Result<CacheLookup> lookup_in(const Path& root, const feed::Feed& feed,
                                     const DigestFn& digest = {},
                                     const Clock& clock = Clock::real()) {
  auto slot = prepare_cache_slot_in(root, feed);
  if (!slot) return std::move(slot).error();
  return cache_lookup(*slot, feed, clock, digest);
}

}  // namespace corvald::cache::testing
