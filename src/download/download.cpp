#include "download/download.hpp"

#include <optional>
#include <system_error>

#include "cache/cache.hpp"
#include "download/download_events.hpp"
#include "download/download_internal.hpp"
#include "download/parallel_transfer.hpp"
#include "download/single_transfer.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "platform/file.hpp"
#include "telemetry/telemetry.hpp"
#include "text/format.hpp"

namespace corvald::download {
namespace {

// Where a failure the attempt lines show happened, when the error knows.
void report_where(const Reporter& reporter, std::string_view tag, const StubError& error) {
  const std::string line = where_line(text::format("[{}] ", tag), error);
  if (!line.empty()) reporter.log(line);
}

// The transfer of one attempt: parallel first, one connection when that fails for any
// reason but cancellation.
Result<Transferred> transfer(const TransferJob& job) {
  auto parallel = parallel_transfer(job);
  if (parallel) return parallel;
  const StubError& error = parallel.error();
  if (error.kind() == StubError::Kind::cancelled) return error;
  // The attempt's watcher copies the flag only every 200 ms; a cancel it had not seen yet
  // must still keep a whole single-connection download from starting.
  if (job.cancel.is_set()) return StubError::cancelled();

  job.reporter.log(text::format("[{}] parallel failed: {} — falling back to single-conn", job.tag,
                                error.display()));
  report_where(job.reporter, job.tag, error);
  job.reporter.emit(fell_back_event(job.feed, error));
  auto single = single_connection_transfer(job);
  if (!single) {
    job.reporter.emit(failed_event(job.feed, single.error()));
    return single;
  }
  job.reporter.emit(completed_via_fallback_event(job.feed, single->stats));
  return single;
}

// How an attempt ended, and so what the loop does next.
enum class AttemptEnd { retry, cancelled, do_not_retry, promoted };

struct AttemptOutcome {
  AttemptEnd end;
  std::optional<StubError> error;
  Path promoted;
};

AttemptOutcome run_attempt(const TransferJob& job, const Path& final_path) {
  auto transferred = transfer(job);
  if (!transferred) {
    if (transferred.error().kind() == StubError::Kind::cancelled) {
      return {AttemptEnd::cancelled, std::nullopt, {}};
    }
    return {AttemptEnd::retry, transferred.error(), {}};
  }
  if (job.cancel.is_set()) return {AttemptEnd::cancelled, std::nullopt, {}};
  auto verified = cache::verify_download(job.temp, job.feed, job.tag, transferred->sha512);
  if (!verified) return {AttemptEnd::retry, verified.error(), {}};
  auto promoted = cache::promote_download(job.temp, final_path, job.tag, job.clock);
  // No new download can make the final path or any alternate writable.
  if (!promoted) return {AttemptEnd::do_not_retry, promoted.error(), {}};
  return {AttemptEnd::promoted, std::nullopt, std::move(*promoted)};
}

}  // namespace

Reporter standard_reporter(const telemetry::TelemetryHandle* telemetry) {
  Reporter reporter;
  reporter.log = [](const std::string& line) { log_info("{}", line); };
  reporter.emit = [telemetry](telemetry::TelemetryEvent event) {
    if (telemetry) telemetry::telemetry_send(*telemetry, std::move(event));
  };
  return reporter;
}

Result<Path> download_with_reporter(const net::HttpClient& client, const feed::Feed& feed,
                                    const Path& final_path, const CancelFlag& cancel,
                                    const ProgressFn& progress, std::string_view tag,
                                    const Reporter& reporter, const Clock& clock) {
  static_assert(kMaxAttempts >= 1, "a download is attempted at least once");
  std::optional<StubError> last_error;  // set by every attempt that does not return
  for (int n = 1; n <= kMaxAttempts; ++n) {
    if (cancel.is_set()) return StubError::cancelled();
    const bool last_attempt = n == kMaxAttempts;

    auto temp = cache::select_temp_path(final_path);
    if (!temp) {
      reporter.log(text::format("[{}] attempt {}/{} found no usable temp path: {}", tag, n,
                                kMaxAttempts, temp.error().display()));
      last_error = temp.error();
      if (!last_attempt) clock.sleep(kAttemptWait);
      continue;
    }
    reporter.log(text::format("[{}] download attempt {}/{} → {} (final: {})", tag, n, kMaxAttempts,
                              *temp, final_path));

    const TransferJob job{client, feed, *temp, cancel, progress, tag, reporter, clock};
    AttemptOutcome outcome = run_attempt(job, final_path);
    switch (outcome.end) {
      case AttemptEnd::cancelled: (void)platform::delete_file(*temp); return StubError::cancelled();
      case AttemptEnd::do_not_retry:
        // The verified file stays where the promotion left it until the run's end, whose
        // sweep of leftover temporary files removes it: the lookup only ever judges the final
        // name, so the next run downloads again.
        return std::move(*outcome.error);
      case AttemptEnd::promoted:
        if (n >= 2) reporter.emit(retried_succeeded_event(feed, n));
        return std::move(outcome.promoted);
      case AttemptEnd::retry: break;
    }

    const StubError& error = *outcome.error;
    (void)platform::delete_file(*temp);
    reporter.log(text::format("[{}] attempt {} failed: {}; {}", tag, n, error.display(),
                              last_attempt ? "no attempts left" : "will retry whole download"));
    report_where(reporter, tag, error);
    reporter.emit(attempt_failed_event(feed, n, error));
    last_error = error;
    if (!last_attempt) clock.sleep(kAttemptWait);
  }
  return std::move(*last_error);
}

Result<Path> download_and_verify(const net::HttpClient& client, const feed::Feed& feed,
                                 const Path& final_path, const CancelFlag& cancel,
                                 const ProgressFn& progress, std::string_view tag,
                                 const telemetry::TelemetryHandle* telemetry, const Clock& clock) {
  return download_with_reporter(client, feed, final_path, cancel, progress, tag,
                                standard_reporter(telemetry), clock);
}

}  // namespace corvald::download
