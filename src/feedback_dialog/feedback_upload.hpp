// The work of one Send, run on the upload thread: the logs and crash dumps with the user's
// description, through the feedback upload protocol.
#pragma once

#include <string_view>

#include "feedback_dialog/feedback_shared.hpp"
#include "startup/run_settings.hpp"

namespace corvald::feedback_dialog {

// Sent with the granted blob path when the submit was answered with 2xx; otherwise failed with
// the display text of what went wrong.
UploadOutcome upload_feedback(std::string_view typed_description, const RunSettings& settings);

}  // namespace corvald::feedback_dialog
