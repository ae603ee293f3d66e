#include "feedback/stub_submission.hpp"

#include <utility>

#include "build_info.hpp"
#include "net/uuid.hpp"

namespace corvald {

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

}  // namespace corvald
