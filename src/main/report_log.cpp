#include "main/report_log.hpp"

#include "build_info.hpp"
#include "feedback/report_files.hpp"
#include "feedback/stub_submission.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "net/http_client.hpp"
#include "startup/client_id.hpp"
#include "startup/run_mode.hpp"
#include "telemetry/environment_meta.hpp"

namespace corvald {
namespace {

Result<void> upload_report(const RunSettings& settings) {
  auto client_id = load_or_create_client_id_under(settings.local_app_data);
  if (!client_id) return client_id.error();
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return client.error();

  const ReportFiles report = collect_report_files(settings.logs_dir(), settings.local_app_data);
  log_info("[report-log] bundle: {} logs + {} crash dumps", report.log_count,
           report.files.size() - report.log_count);

  const std::string meta = telemetry::environment_meta_line(settings.local_app_data);
  log_info("[report-log] meta={}", meta);

  const feedback::FeedbackSubmission submission =
      stub_submission("debug_log", meta, client_id.value());

  auto receipt = feedback::send_feedback(client.value(), settings.service_url, client_id.value(),
                                         user_agent, report.files, submission);
  if (!receipt) return receipt.error();
  log_info("[report-log] blob_path={} submit_status={}", receipt->blob_path,
           receipt->submit_status);
  return judge_submit(receipt.value());
}

}  // namespace

int run_report_log(const RunSettings& settings) {
  log_info("[report-log] start app_id={} platform={}", build_info::app_id, "WindowsX64");
  const Result<void> outcome = upload_report(settings);
  if (!outcome) {
    log_info("[report-log] FAIL: {}", outcome.error().display());
    log_where("[report-log] ", outcome.error());
    return static_cast<int>(ExitCode::failed);
  }
  log_info("[report-log] OK");
  return static_cast<int>(ExitCode::ok);
}

}  // namespace corvald
