// The arithmetic of the parallel transfer: the probe range, the queue of ranges after it, how
// fast the probe was and how many connections that earns.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "download/transfer.hpp"

namespace corvald::download {

// Bytes 0 … min(size, 4 MiB) − 1; size must not be 0.
ByteRange probe_range(std::uint64_t size);

// From `from` to the end of the file in 8 MiB ranges, ascending, the last one shorter.
std::deque<ByteRange> plan_ranges(std::uint64_t from, std::uint64_t size);

// MiB/s; 0 when the probe took 1 ms or less, where the figure would mean nothing.
double probe_throughput(std::uint64_t bytes, std::chrono::steady_clock::duration took);

// A slow line gets more connections: per-connection limits dominate there.
std::uint32_t workers_for(double mibps);

// Two decimals, as the log line shows the probe throughput.
std::string two_decimals(double value);

}  // namespace corvald::download
