// The feedback dialog: a top-level window of its own, not modal, in which the user describes a
// problem and sends it with the logs. Each call opens another dialog with its own state.
#pragma once

namespace corvald::feedback_dialog {

// Builds and shows a new dialog on the UI thread; a dialog that cannot be built is logged and
// nothing else happens.
void open_feedback_dialog();

}  // namespace corvald::feedback_dialog
