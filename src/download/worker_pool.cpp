#include "download/worker_pool.hpp"

#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "download/fetch_range.hpp"
#include "text/format.hpp"

namespace corvald::download {
namespace {

struct WorkerSlot {
  std::thread thread;
  // Read by the monitor while the worker runs; the result itself is read only after join.
  std::atomic<bool> done{false};
  std::optional<Result<void>> result;
};

// The writer and the hasher outlive the worker: run_workers joins it before it returns.
struct RangeOutlet {
  platform::File& writer;
  RangeHasher& hasher;
};

Result<void> drain_queue(const net::HttpClient& client, const std::string& url,
                         const RangeOutlet& outlet, AttemptState& state, const Clock& clock) {
  for (;;) {
    if (state.is_cancelled()) return StubError::cancelled();
    const auto range = state.pop_range();
    if (!range) return Ok{};
    auto fetched =
        fetch_range(client, url, {}, outlet.writer, range->first, range->last, state, clock);
    if (!fetched) return fetched;
    outlet.hasher.range_done(*range);
  }
}

StubError worker_panicked() { return StubError::internal("download worker panicked"); }

// Nothing a worker does may take the process down: an exception ends only that worker.
void worker_main(net::HttpClient client, std::string url, RangeOutlet outlet,
                 std::shared_ptr<AttemptState> state, Clock clock, WorkerSlot& slot) {
  try {
    slot.result = drain_queue(client, url, outlet, *state, clock);
  } catch (...) {
    slot.result = worker_panicked();
  }
  slot.done.store(true, std::memory_order_release);
}

bool any_running(const std::vector<std::unique_ptr<WorkerSlot>>& slots) {
  for (const auto& slot : slots) {
    if (slot->thread.joinable() && !slot->done.load(std::memory_order_acquire)) return true;
  }
  return false;
}

void monitor(const TransferJob& job, const AttemptState& state,
             const std::vector<std::unique_ptr<WorkerSlot>>& slots) {
  const std::uint64_t size = job.feed.size;
  while (any_running(slots)) {
    job.progress(state.downloaded.load(std::memory_order_relaxed), size);
    if (state.is_cancelled()) return;
    job.clock.sleep(kMonitorPoll);
  }
  job.progress(state.downloaded.load(std::memory_order_relaxed), size);
}

}  // namespace

Result<void> run_workers(const TransferJob& job, const std::shared_ptr<AttemptState>& state,
                         std::uint32_t count, platform::File& writer, RangeHasher& hasher) {
  std::vector<std::unique_ptr<WorkerSlot>> slots;
  // Reserved up front: a slot whose thread runs must never be lost to a failing push_back.
  slots.reserve(count);
  std::optional<StubError> start_failure;
  for (std::uint32_t i = 0; i < count; ++i) {
    auto slot = std::make_unique<WorkerSlot>();
    try {
      slot->thread = std::thread(worker_main, job.client, job.feed.url, RangeOutlet{writer, hasher},
                                 state, job.clock, std::ref(*slot));
    } catch (const std::exception& error) {
      // The workers already running still drain the queue; the transfer fails after them.
      start_failure = StubError::internal(
          text::format("could not start download worker: {}", std::string(error.what())));
      break;
    }
    slots.push_back(std::move(slot));
  }

  monitor(job, *state, slots);

  std::optional<StubError> first_failure;
  for (auto& slot : slots) {
    slot->thread.join();
    const Result<void> result = slot->result ? *slot->result : Result<void>(worker_panicked());
    if (!result && !first_failure) first_failure = result.error();
  }
  if (first_failure) return *first_failure;
  if (start_failure) return *start_failure;
  return Ok{};
}

}  // namespace corvald::download
