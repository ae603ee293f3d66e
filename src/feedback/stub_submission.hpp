// What this stub sends as a feedback submission, and how it reads the service's answer. Shared
// by the report-log mode and the feedback dialog.
#pragma once

#include <string>

#include "base/result.hpp"
#include "feedback/feedback_submit.hpp"

namespace corvald {

// The service's verdict on a completed upload: a submit status outside 2xx is the http error
// for "feedback/submit".
Result<void> judge_submit(const feedback::FeedbackReceipt& receipt);

// A submission from this stub: a fresh session id, the client id, a zip, the stub's version.
feedback::FeedbackSubmission stub_submission(std::string feedback_type, std::string description,
                                             std::string client_id);

}  // namespace corvald
