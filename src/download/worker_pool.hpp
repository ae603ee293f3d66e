// The worker threads of the parallel transfer and the monitor that reports their progress
// from the calling thread until they are done.
#pragma once

#include <cstdint>
#include <memory>

#include "base/result.hpp"
#include "download/range_hasher.hpp"
#include "download/transfer.hpp"
#include "platform/file.hpp"

namespace corvald::download {

// Starts exactly `count` workers on the queue in `state`, writing through `writer` and
// telling `hasher` of each range they complete; monitors them on this thread and joins them
// in start order. Fails with the error of the first worker (in that order) that failed; a
// worker that threw counts as "download worker panicked".
Result<void> run_workers(const TransferJob& job, const std::shared_ptr<AttemptState>& state,
                         std::uint32_t count, platform::File& writer, RangeHasher& hasher);

}  // namespace corvald::download
