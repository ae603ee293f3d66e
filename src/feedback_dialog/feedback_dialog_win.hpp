// The feedback dialog: a top-level window of its own, not modal, in which the user describes a
// problem and sends it with the logs. Each call opens another dialog with its own state.
#pragma once

#include "base/clock.hpp"
#include "startup/run_settings.hpp"

namespace corvald::feedback_dialog {

// Builds and shows a new dialog on the UI thread; a dialog that cannot be built is logged and
// nothing else happens. Its uploads take the logs, dumps and service from `settings`; the pause
// before it closes after a success runs on `clock`.
void open_feedback_dialog(const RunSettings& settings, const Clock& clock = Clock::real());

}  // namespace corvald::feedback_dialog
