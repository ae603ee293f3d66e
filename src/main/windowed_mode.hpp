// The normal run: the main window on this thread, the install on a worker thread.
#pragma once

#include "startup/run_settings.hpp"

namespace corvald {

// Returns 0 once the window has ended the message loop, whatever the install's outcome; 1
// when the window cannot be set up or built (logged as "[FAIL] UI: ...").
int run_windowed(const RunSettings& settings);

}  // namespace corvald
