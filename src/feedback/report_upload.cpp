#include "feedback/report_upload.hpp"

#include <utility>

#include "feedback/stub_submission.hpp"
#include "net/http_client.hpp"
#include "startup/client_id.hpp"
#include "telemetry/environment_meta.hpp"

namespace corvald {

Result<std::string> upload_report(const RunSettings& settings, const ReportUpload& upload) {
  auto client_id = load_or_create_client_id_under(settings.local_app_data);
  if (!client_id) return client_id.error();
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return client.error();

  const ReportFiles report = collect_report_files(settings.logs_dir(), settings.local_app_data);
  ReportText text =
      upload.describe(report, telemetry::environment_meta_line(settings.local_app_data));
  const feedback::FeedbackSubmission submission = stub_submission(
      std::move(text.feedback_type), std::move(text.description), client_id.value());

  auto receipt = feedback::send_feedback(client.value(), settings.service_url, client_id.value(),
                                         user_agent, report.files, submission);
  if (!receipt) return receipt.error();
  if (upload.answered) upload.answered(receipt.value());
  if (auto accepted = judge_submit(receipt.value()); !accepted) return accepted.error();
  return std::move(receipt->blob_path);
}

}  // namespace corvald
