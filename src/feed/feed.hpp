// The one record the rest of the stub knows about the newest build on offer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvald::feed {

struct Feed {
  // As the feed writes it; comparing versions is the worker's business.
  std::string version;
  // Absolute; relative feed entries are already resolved against the checkupdate base.
  std::string url;
  // Exactly as the feed gives it (base64); the cache decodes and compares it.
  std::string sha512;
  // Carried through for display only.
  std::optional<std::string> release_date;
  std::uint64_t size = 0;
};

}  // namespace corvald::feed
