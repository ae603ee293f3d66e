// The feedback type and description a Send submits.
#pragma once

#include <string>
#include <string_view>

namespace corvald::feedback_dialog {

struct FeedbackMessage {
  std::string feedback_type;  // "issue_report" with a description, "debug_log" without
  std::string description;
};

// `typed` trimmed of Unicode white space, a line feed and `context`; `context` alone when
// nothing but white space was typed.
FeedbackMessage feedback_message(std::string_view typed, std::string_view context);

}  // namespace corvald::feedback_dialog
