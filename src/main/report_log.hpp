// Report-log mode (APP_INSTALLER_REPORT_LOG=1): an unattended upload of the local logs and
// crash dumps for support, on the main thread, with no window and no telemetry.
#pragma once

#include <cstdint>
#include <string>

#include "feedback/feedback_submit.hpp"
#include "worker/result.hpp"

namespace corvald {

// The process exit code: 0 when the service accepted the report, 1 otherwise.
int run_report_log();

// The service's verdict on a completed upload: a submit status outside 2xx is the http error
// for "feedback/submit".
Result<void> judge_submit(const feedback::FeedbackReceipt& receipt);

// A submission from this stub: a fresh session id, the client id, a zip, the stub's version.
feedback::FeedbackSubmission stub_submission(std::string feedback_type, std::string description,
                                             std::string client_id);

}  // namespace corvald
