#include "main/report_log.hpp"


#include "build_info.hpp"
#include "logfile/log.hpp"
#include "main/client_id.hpp"
#include "main/report_files.hpp"
#include "main/run_mode.hpp"
#include "net/http_client.hpp"
#include "net/uuid.hpp"
#include "telemetry/environment_meta.hpp"

namespace corvald {
namespace {

Result<void> upload_report() {
  auto client_id = load_or_create_client_id();
  if (!client_id) return client_id.error();
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return client.error();

  const ReportFiles report = collect_report_files();
  log_info(log_target::app, "[report-log] bundle: {} logs + {} crash dumps", report.log_count,
           report.files.size() - report.log_count);

  const std::string meta = telemetry::environment_meta_line();
  log_info(log_target::app, "[report-log] meta={}", meta);

  const feedback::FeedbackSubmission submission =
      stub_submission("debug_log", meta, client_id.value());

  auto receipt = feedback::send_feedback(client.value(), client_id.value(), user_agent,
                                         report.files, submission);
  if (!receipt) return receipt.error();
  log_info(log_target::app, "[report-log] blob_path={} submit_status={}", receipt->blob_path,
           receipt->submit_status);
  return judge_submit(receipt.value());
}

}  // namespace

feedback::FeedbackSubmission stub_submission(std::string feedback_type, std::string description,
                                             std::string client_id) {
  feedback::FeedbackSubmission submission;
  submission.feedback_type = std::move(feedback_type);
  submission.session_id = net::new_uuid_v4();
  submission.client_id = std::move(client_id);
  submission.description = std::move(description);
  submission.file_format = "zip";
  submission.version = build_info::stub_version;
  return submission;
}

Result<void> judge_submit(const feedback::FeedbackReceipt& receipt) {
  if (receipt.submit_status < 200 || receipt.submit_status > 299) {
    return StubError::http("feedback/submit", receipt.submit_status);
  }
  return Ok{};
}

int run_report_log() {
  log_info(log_target::app, "[report-log] start app_id={} platform={}", build_info::app_id,
           "WindowsX64");
  const Result<void> outcome = upload_report();
  if (!outcome) {
    log_info(log_target::app, "[report-log] FAIL: {}", outcome.error().display());
    return static_cast<int>(ExitCode::failed);
  }
  log_info(log_target::app, "[report-log] OK");
  return static_cast<int>(ExitCode::ok);
}

}  // namespace corvald
