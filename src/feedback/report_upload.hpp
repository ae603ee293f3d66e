// The one upload sequence of a report from this stub: the client id, an HTTP client, the logs
// and crash dumps, the machine's environment line, the submission, the three exchanges and the
// service's verdict. Report-log mode and the feedback dialog differ only in how they describe
// the report and what they log on the way.
#pragma once

#include <functional>
#include <string>

#include "base/result.hpp"
#include "feedback/feedback_submit.hpp"
#include "feedback/report_files.hpp"
#include "startup/run_settings.hpp"

namespace corvald {

struct ReportText {
  std::string feedback_type;
  std::string description;
};

struct ReportUpload {
  // The report's type and description, given the files it carries and the environment line.
  std::function<ReportText(const ReportFiles& files, const std::string& environment)> describe;
  // Sees the service's answer before it is judged; may be left empty.
  std::function<void(const feedback::FeedbackReceipt& receipt)> answered;
};

// The blob path when the submit was answered with 2xx; otherwise the first error, a submit
// status outside 2xx being the http error for "feedback/submit".
Result<std::string> upload_report(const RunSettings& settings, const ReportUpload& upload);

}  // namespace corvald
