#include "logfile/log_writer.hpp"

#include <system_error>
#include <utility>

#include "logfile/line_format.hpp"
#include "logfile/retention.hpp"
#include "platform/file_system.hpp"
#include "text/format.hpp"

namespace corvald::logfile {
namespace {

constexpr std::string_view kCurrentName = "app.log";
constexpr auto kRetentionInterval = std::chrono::seconds(1800);

}  // namespace

LogWriter::LogWriter(const LoggerConfig& config, LogClock clock, LoggerHooks hooks,
                     LineQueue& queue)
    : folder_(config.folder),
      retention_hours_(config.retention_hours),
      clock_(std::move(clock)),
      hooks_(std::move(hooks)),
      queue_(queue) {}

void LogWriter::run() {
  (void)platform::create_folders(folder_);
  auto opened = platform::File::open_for_append(current_path());
  if (!opened) {
    complain("Cannot open log file", opened.error());
    queue_.close_and_discard();
    return;
  }
  file_.emplace(std::move(opened).value());
  const auto now = clock_.now();
  file_key_ = hour_key(clock_.to_local(now));
  run_retention(now);
  while (auto line = queue_.pop()) {
    if (hooks_.on_line_taken) hooks_.on_line_taken(*line);
    write_line(*line);
    queue_.mark_done();
  }
  // The logger object outlives its writer; the file must not stay open with it.
  file_.reset();
}

void LogWriter::write_line(std::string_view line) {
  const auto now = clock_.now();
  std::string key = hour_key(clock_.to_local(now));
  if (key != file_key_) {
    rotate(std::move(key));
    run_retention(now);
  } else if (now - last_retention_ > kRetentionInterval || now < last_retention_) {
    // A clock set back would otherwise postpone the next run until it caught up again.
    run_retention(now);
  }
  // Nothing to do about a failed write but to try the next line.
  (void)file_->append(line.data(), line.size());
}

void LogWriter::rotate(std::string new_key) {
  // Never replaces an existing rotated file: when another process writing to the same
  // folder has rotated already, its "app.log" is the new file both should append to, and
  // replacing would throw away the hour it just closed.
  platform::rename_no_replace(current_path(),
                              folder_ / text::format("{}.{}", kCurrentName, file_key_));
  auto opened = platform::File::open_for_append(current_path());
  if (opened) {
    file_.emplace(std::move(opened).value());
  } else {
    // The old handle stays in use so that no line is lost.
    complain("Failed to open new log file", opened.error());
  }
  // Taken on either way, so a failing open is retried once an hour rather than per line.
  file_key_ = std::move(new_key);
}

void LogWriter::run_retention(std::chrono::system_clock::time_point now) {
  delete_rotated_before(folder_, retention_cutoff(clock_, now, retention_hours_));
  last_retention_ = now;
}

Path LogWriter::current_path() const { return folder_ / kCurrentName; }

void LogWriter::complain(std::string_view what, const StubError& error) {
  const IoError& io = error.io_error();
  const std::string text = text::format("[tidelog] {}: {} (os error {})\n", what, io.text, io.code);
  hooks_.write_stderr(text);
}

}  // namespace corvald::logfile
