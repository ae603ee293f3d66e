#include "feedback_dialog/feedback_upload.hpp"

#include <filesystem>
#include <vector>

#include "build_info.hpp"
#include "feedback/feedback_submit.hpp"
#include "feedback_dialog/feedback_message.hpp"
#include "logfile/log.hpp"
#include "main/client_id.hpp"
#include "main/paths.hpp"
#include "main/report_files.hpp"
#include "main/report_log.hpp"
#include "net/http_client.hpp"
#include "net/uuid.hpp"
#include "telemetry/environment_meta.hpp"

namespace corvald::feedback_dialog {
namespace {

UploadOutcome failed(const StubError& error) { return {false, error.display()}; }

}  // namespace

UploadOutcome upload_feedback(std::string_view typed_description) {
  auto client_id = load_or_create_client_id();
  if (!client_id) return failed(client_id.error());
  const std::string user_agent = net::stub_user_agent();
  auto client = net::HttpClient::open(user_agent);
  if (!client) return failed(client.error());
  std::vector<std::filesystem::path> files = collect_log_files(logs_dir());
  const std::vector<std::filesystem::path> dumps = collect_crash_dumps();
  files.insert(files.end(), dumps.begin(), dumps.end());

  const FeedbackMessage message =
      feedback_message(typed_description, telemetry::environment_meta_line());
  feedback::FeedbackSubmission submission;
  submission.feedback_type = message.feedback_type;
  submission.session_id = net::new_uuid_v4();
  submission.client_id = client_id.value();
  submission.description = message.description;
  submission.file_format = "zip";
  submission.version = build_info::stub_version;

  auto receipt =
      feedback::send_feedback(client.value(), client_id.value(), user_agent, files, submission);
  if (!receipt) return failed(receipt.error());
  if (auto accepted = judge_submit(receipt.value()); !accepted) return failed(accepted.error());
  log_info(log_target::feedback_dialog, "[feedback-ui] sent → blob_path={}", receipt->blob_path);
  return {true, receipt->blob_path};
}

}  // namespace corvald::feedback_dialog
