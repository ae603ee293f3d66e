#include "download/parallel_transfer.hpp"

#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "download/download_events.hpp"
#include "download/fetch_range.hpp"
#include "download/range_hasher.hpp"
#include "download/range_plan.hpp"
#include "download/worker_pool.hpp"
#include "platform/file.hpp"
#include "text/format.hpp"

namespace corvald::download {
namespace {

// Copies the caller's cancellation into the attempt's own flag, which the probe and the
// workers test at every body piece. Joined rather than detached: it reads the caller's flag
// and clock, which need not outlive this call.
class CancelWatcher {
 public:
  CancelWatcher(std::shared_ptr<AttemptState> state, const CancelFlag& cancel, const Clock& clock)
      : state_(std::move(state)) {
    try {
      thread_ = std::thread([state = state_, &cancel, &clock] {
        for (;;) {
          if (state->watcher_stop.load(std::memory_order_relaxed)) return;
          if (cancel.is_set()) {
            state->cancelled.store(true, std::memory_order_relaxed);
            return;
          }
          clock.sleep(kWatcherPoll);
        }
      });
    } catch (const std::system_error& error) {
      start_error_ = StubError::system_failure(
          text::format("could not start the cancellation watcher: {}", error.what()),
          static_cast<std::uint32_t>(error.code().value()));
    }
  }
  ~CancelWatcher() {
    state_->watcher_stop.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
  }
  CancelWatcher(const CancelWatcher&) = delete;
  CancelWatcher& operator=(const CancelWatcher&) = delete;

  bool started() const { return thread_.joinable(); }
  const StubError& start_error() const { return start_error_.value(); }

 private:
  std::shared_ptr<AttemptState> state_;
  std::thread thread_;
  std::optional<StubError> start_error_;
};

// Workers write at their offsets, so the file must have its full length before any starts.
// The handle stays open for all of them and keeps every other writer out (see RangeHasher).
Result<platform::File> presized_writer(const Path& temp, std::uint64_t size) {
  auto file = platform::File::create_truncate_held(temp);
  if (!file) return std::move(file).error();
  if (auto sized = file->set_length(size); !sized) return sized.error();
  return file;
}

Result<Transferred> transfer(const TransferJob& job, const std::shared_ptr<AttemptState>& state) {
  const std::uint64_t size = job.feed.size;
  if (size == 0) return StubError::internal("total_size is 0");

  const auto started = job.clock.now();
  auto writer = presized_writer(job.temp, size);
  if (!writer) return std::move(writer).error();
  auto hasher = RangeHasher::start(job.temp);
  if (!hasher) return std::move(hasher).error();

  const ByteRange probe = probe_range(size);
  const auto probe_started = job.clock.now();
  auto probed = fetch_range(job.client, job.feed.url, {}, *writer, probe.first, probe.last, *state,
                            job.clock);
  if (!probed) return probed.error();
  (*hasher)->range_done(probe);
  const auto probe_took = job.clock.now() - probe_started;
  job.progress(state->downloaded.load(std::memory_order_relaxed), size);

  DownloadStats stats;
  stats.size = size;
  stats.probe_mibps =
      probe_throughput(state->downloaded.load(std::memory_order_relaxed), probe_took);
  if (probe.last + 1 >= size) {
    // The probe's own completeness check already stands for the whole file.
    stats.chunks = 1;
    stats.effective_parallelism = 1;
  } else {
    {
      std::lock_guard lock(state->queue_mutex);
      state->ranges = plan_ranges(probe.last + 1, size);
      stats.chunks = static_cast<std::uint32_t>(state->ranges.size());
    }
    stats.effective_parallelism = workers_for(stats.probe_mibps);
    auto ran = run_workers(job, state, stats.effective_parallelism, *writer, **hasher);
    if (!ran) return ran.error();
    const std::uint64_t downloaded = state->downloaded.load(std::memory_order_relaxed);
    job.progress(downloaded, size);
    if (downloaded != size) {
      return StubError::network(
          text::format("parallel download wrote {} of {} bytes", downloaded, size));
    }
  }

  stats.duration_ms = elapsed_ms(started, job.clock.now());
  stats.avg_bps = average_bps(size, stats.duration_ms);
  stats.retries = state->retries.load(std::memory_order_relaxed);
  // Before the writer lets go of the file, so no other writer can come between.
  auto sha512 = (*hasher)->finish();
  if (!sha512) return std::move(sha512).error();
  writer->close();
  return Transferred{stats, std::move(sha512).value()};
}

}  // namespace

Result<Transferred> parallel_transfer(const TransferJob& job) {
  auto state = std::make_shared<AttemptState>();
  state->cancelled.store(job.cancel.is_set(), std::memory_order_relaxed);
  std::optional<Result<Transferred>> ran;
  {
    CancelWatcher watcher(state, job.cancel, job.clock);
    if (!watcher.started()) return watcher.start_error();
    ran.emplace(transfer(job, state));
  }  // the watcher stops here, before the outcome is judged
  Result<Transferred> result = std::move(*ran);
  // A worker that failed before the others saw the cancellation must not turn a cancelled
  // transfer into a fallback download.
  if (!result && state->is_cancelled()) return StubError::cancelled();
  if (!result) return result;

  const DownloadStats& stats = result->stats;
  job.reporter.log(text::format("[{}] parallel done: probe {} MB/s N={} chunks={} retries={}",
                                job.tag, two_decimals(stats.probe_mibps),
                                stats.effective_parallelism, stats.chunks, stats.retries));
  job.reporter.emit(completed_event(job.feed, stats));
  return result;
}

}  // namespace corvald::download
