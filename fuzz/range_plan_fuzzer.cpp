// The range plan of the parallel download: sizes and resume points come from the feed and the
// server, so any pair of them must give ranges that cover the rest of the file exactly once,
// in order, none longer than a range may be.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "download/range_plan.hpp"
#include "require.hpp"

using corvald::fuzz::require;
namespace download = corvald::download;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fuzz(data, size);
  // Small sizes exercise the edges, huge ones the overflow near the top of the type; the
  // plan's length is bounded so one input cannot hold the fuzzer for long.
  const std::uint64_t file_size = fuzz.ConsumeBool()
                                      ? fuzz.ConsumeIntegralInRange<std::uint64_t>(0, 1u << 30)
                                      : fuzz.ConsumeIntegral<std::uint64_t>();
  const std::uint64_t span = 4096 * download::kRangeBytes;
  const std::uint64_t from =
      file_size > span && fuzz.ConsumeBool()
          ? file_size - fuzz.ConsumeIntegralInRange<std::uint64_t>(0, span)
          : fuzz.ConsumeIntegralInRange<std::uint64_t>(0, file_size < span ? span : file_size);
  if (file_size > from && file_size - from > span) return -1;

  if (file_size > 0) {
    const download::ByteRange probe = download::probe_range(file_size);
    require(probe.first == 0 && probe.last < file_size && probe.last < download::kProbeBytes,
            "probe within the file");
    require(probe.last + 1 == file_size || probe.last + 1 == download::kProbeBytes,
            "probe as long as it may be");
  }
  std::uint64_t next = from;
  for (const download::ByteRange& range : download::plan_ranges(from, file_size)) {
    require(range.first == next && range.first <= range.last && range.last < file_size,
            "ranges follow each other inside the file");
    require(range.last - range.first < download::kRangeBytes, "range no longer than allowed");
    require(range.last - range.first + 1 == download::kRangeBytes || range.last + 1 == file_size,
            "only the last range is short");
    next = range.last + 1;
  }
  require(next == (from < file_size ? file_size : from), "ranges reach the end of the file");

  const auto took = std::chrono::steady_clock::duration(fuzz.ConsumeIntegralInRange<std::int64_t>(
      std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()));
  const double mibps = download::probe_throughput(file_size, took);
  require(mibps >= 0.0, "throughput is never negative");
  const std::uint32_t workers = download::workers_for(mibps);
  require(workers >= 2 && workers <= 6, "worker count within bounds");
  require(!download::two_decimals(mibps).empty(), "throughput is printable");
  return 0;
}
