#include "feedback_dialog/feedback_shared.hpp"

#include "i18n/i18n.hpp"
#include "text/utf.hpp"

namespace corvald::feedback_dialog {
namespace {

constexpr std::size_t tail_length = 32;

}  // namespace

void store_outcome(FeedbackShared& shared, UploadOutcome outcome,
                   std::chrono::steady_clock::time_point now) {
  {
    std::lock_guard lock(shared.result_mutex);
    shared.result = std::move(outcome);
  }
  {
    std::lock_guard lock(shared.completion_mutex);
    shared.completed_at = now;
  }
  shared.done.store(true, std::memory_order_release);
}

PollView poll(FeedbackShared& shared, std::chrono::steady_clock::time_point now) {
  PollView view;
  if (!shared.done.load(std::memory_order_acquire)) return view;
  std::optional<std::chrono::steady_clock::time_point> completed_at;
  {
    std::lock_guard lock(shared.completion_mutex);
    completed_at = shared.completed_at;
  }
  std::optional<UploadOutcome> result;
  {
    std::lock_guard lock(shared.result_mutex);
    result = shared.result;
  }
  if (!result) return view;

  if (!result->sent) {
    view.kind = PollView::Kind::failed;
    view.status_text = i18n::tr_with("ui.feedback.status.failed", {{"reason", result->text}});
    shared.sending.store(false);
    shared.done.store(false);
    {
      std::lock_guard lock(shared.result_mutex);
      shared.result.reset();
    }
    std::lock_guard lock(shared.completion_mutex);
    shared.completed_at.reset();
    return view;
  }
  view.kind = PollView::Kind::sent;
  view.status_text =
      i18n::tr_with("ui.feedback.status.sent", {{"tail", blob_path_tail(result->text)}});
  if (completed_at) {
    // Whole seconds, as the main window counts its pause after success.
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - *completed_at);
    view.close = elapsed.count() > 1;
  }
  return view;
}

std::string blob_path_tail(std::string_view path) {
  const std::u32string scalars = text::utf8_to_u32_lossy(path);
  if (scalars.size() <= tail_length) return text::u32_to_utf8(scalars);
  return text::u32_to_utf8(std::u32string_view(scalars).substr(scalars.size() - tail_length));
}

}  // namespace corvald::feedback_dialog
