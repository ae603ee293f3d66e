#include "feedback_dialog/feedback_upload.hpp"

#include <utility>

#include "feedback/report_upload.hpp"
#include "feedback_dialog/feedback_message.hpp"
#include "logfile/log.hpp"

namespace corvald::feedback_dialog {
namespace {

UploadOutcome failed(const StubError& error) { return {false, error.display()}; }

}  // namespace

UploadOutcome upload_feedback(std::string_view typed_description, const RunSettings& settings) {
  auto sent = upload_report(
      settings,
      {.describe = [typed_description](const ReportFiles&, const std::string& environment) {
        FeedbackMessage message = feedback_message(typed_description, environment);
        return ReportText{std::move(message.feedback_type), std::move(message.description)};
      }});
  if (!sent) return failed(sent.error());
  log_info("[feedback-ui] sent → blob_path={}", sent.value());
  return {true, std::move(sent).value()};
}

}  // namespace corvald::feedback_dialog
