// What a feedback dialog shares with its upload thread, and what a poll of the dialog makes of
// it. The thread only ever writes its outcome here; the dialog alone touches windows.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace corvald::feedback_dialog {

struct UploadOutcome {
  bool sent = false;
  std::string text;  // the blob path when sent, else the failure's display text
};

struct FeedbackShared {
  // Each guards the field below it; held only to copy or assign, never while calling out.
  std::mutex result_mutex;
  std::optional<UploadOutcome> result;
  std::mutex completion_mutex;
  std::optional<std::chrono::steady_clock::time_point> completed_at;

  std::atomic<bool> sending{false};  // a Send was started and its outcome not yet taken back
  std::atomic<bool> done{false};     // the upload thread has stored its outcome
};

using SharedFeedback = std::shared_ptr<FeedbackShared>;

// The upload thread's last act: the result, then the completion time, then `done`.
void store_outcome(FeedbackShared& shared, UploadOutcome outcome,
                   std::chrono::steady_clock::time_point now);

struct PollView {
  enum class Kind { nothing, failed, sent } kind = Kind::nothing;
  std::string status_text;  // localised, for failed and sent
  bool close = false;       // sent, and the pause after success is over
};

// One poll tick. A failure is taken back (the dialog is idle again); a success is left in
// place, so every later tick shows it again until the dialog closes.
PollView poll(FeedbackShared& shared, std::chrono::steady_clock::time_point now);

// The last 32 Unicode scalar values of a blob path, or all of a shorter one.
std::string blob_path_tail(std::string_view path);

}  // namespace corvald::feedback_dialog
