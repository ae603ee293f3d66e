#include "main/report_log.hpp"

#include <filesystem>
#include <vector>

#include "build_info.hpp"
#include "logfile/log.hpp"
#include "main/client_id.hpp"
#include "main/paths.hpp"
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
  const std::string session_id = net::new_uuid_v4();

  std::vector<std::filesystem::path> files = collect_log_files(logs_dir());
  const std::size_t log_count = files.size();
  const std::vector<std::filesystem::path> dumps = collect_crash_dumps();
  files.insert(files.end(), dumps.begin(), dumps.end());
  log_info(log_target::app, "[report-log] bundle: {} logs + {} crash dumps", log_count,
           dumps.size());

  const std::string meta = telemetry::environment_meta_line();
  log_info(log_target::app, "[report-log] meta={}", meta);

  feedback::FeedbackSubmission submission;
  submission.feedback_type = "debug_log";
  submission.session_id = session_id;
  submission.client_id = client_id.value();
  submission.description = meta;
  submission.file_format = "zip";
  submission.version = build_info::stub_version;

  auto receipt = feedback::send_feedback(client.value(), client_id.value(), user_agent, files,
                                         submission);
  if (!receipt) return receipt.error();
  log_info(log_target::app, "[report-log] blob_path={} submit_status={}", receipt->blob_path,
           receipt->submit_status);
  return judge_submit(receipt.value());
}

}  // namespace

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
