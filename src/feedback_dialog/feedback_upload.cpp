#include "feedback_dialog/feedback_upload.hpp"

#include "feedback/feedback_submit.hpp"
#include "feedback/report_files.hpp"
#include "feedback/stub_submission.hpp"
#include "feedback_dialog/feedback_message.hpp"
#include "logfile/log.hpp"
#include "net/http_client.hpp"
#include "startup/client_id.hpp"
#include "telemetry/environment_meta.hpp"

namespace corvald::feedback_dialog {
namespace {

UploadOutcome failed(const StubError& error) { return {false, error.display()}; }

}  // namespace

UploadOutcome upload_feedback(std::string_view typed_description, const RunSettings& settings) {
  auto client_id = load_or_create_client_id_under(settings.local_app_data);
  if (!client_id) return failed(client_id.error());
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return failed(client.error());
  const ReportFiles report = collect_report_files(settings.logs_dir(), settings.local_app_data);
  const FeedbackMessage message = feedback_message(
      typed_description, telemetry::environment_meta_line(settings.local_app_data));
  const feedback::FeedbackSubmission submission =
      stub_submission(message.feedback_type, message.description, client_id.value());

  auto receipt = feedback::send_feedback(client.value(), settings.service_url, client_id.value(),
                                         user_agent, report.files, submission);
  if (!receipt) return failed(receipt.error());
  if (auto accepted = judge_submit(receipt.value()); !accepted) return failed(accepted.error());
  log_info("[feedback-ui] sent → blob_path={}", receipt->blob_path);
  return {true, receipt->blob_path};
}

}  // namespace corvald::feedback_dialog
