#include "feedback_dialog/feedback_message.hpp"

#include "text/utf.hpp"

namespace corvald::feedback_dialog {

FeedbackMessage feedback_message(std::string_view typed, std::string_view context) {
  const std::string trimmed = text::trim_unicode_space(typed);
  if (trimmed.empty()) return {"debug_log", std::string(context)};
  return {"issue_report", trimmed + "\n" + std::string(context)};
}

}  // namespace corvald::feedback_dialog
