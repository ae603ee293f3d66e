// What a "Range" request header asks of a body whose size is known: the whole body, one part
// of it, or nothing that exists (416).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvald::devserver {

struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive, as in Content-Range
  std::uint64_t length() const { return last - first + 1; }
};

struct RangeAnswer {
  enum class Kind { whole, part, unsatisfiable };
  Kind kind = Kind::whole;
  ByteRange range;  // meaningful for Kind::part only
};

// Only one "bytes" range is served. A header naming several ranges, another unit or broken
// syntax is ignored (the whole body, 200), which HTTP allows; a range that starts past the end
// is unsatisfiable, and one that runs past the end is cut at the last byte.
RangeAnswer answer_range(std::optional<std::string_view> header, std::uint64_t size);

// "bytes 0-9/100"; "bytes */100" is the form a 416 answer carries.
std::string content_range(const ByteRange& range, std::uint64_t size);
std::string content_range_unsatisfied(std::uint64_t size);

}  // namespace corvald::devserver
