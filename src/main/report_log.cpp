#include "main/report_log.hpp"

#include "build_info.hpp"
#include "feedback/report_upload.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "startup/run_mode.hpp"

namespace corvald {
namespace {

ReportText describe(const ReportFiles& files, const std::string& environment) {
  log_info("[report-log] bundle: {} logs + {} crash dumps", files.log_count,
           files.files.size() - files.log_count);
  log_info("[report-log] meta={}", environment);
  return {"debug_log", environment};
}

void answered(const feedback::FeedbackReceipt& receipt) {
  log_info("[report-log] blob_path={} submit_status={}", receipt.blob_path, receipt.submit_status);
}

}  // namespace

int run_report_log(const RunSettings& settings) {
  log_info("[report-log] start app_id={} platform={}", build_info::app_id, "WindowsX64");
  const Result<std::string> outcome = upload_report(settings, {describe, answered});
  if (!outcome) {
    log_info("[report-log] FAIL: {}", outcome.error().display());
    log_where("[report-log] ", outcome.error());
    return static_cast<int>(ExitCode::failed);
  }
  log_info("[report-log] OK");
  return static_cast<int>(ExitCode::ok);
}

}  // namespace corvald
