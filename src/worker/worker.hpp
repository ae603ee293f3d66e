// Windowed mode's run on its own thread: its client, identity and telemetry, the install
// pipeline, and the outcome shown to the window and reported to telemetry.
#pragma once

#include "base/clock.hpp"
#include "base/ui_status.hpp"
#include "startup/run_settings.hpp"

namespace corvald {

// The start pause, the pipeline and the telemetry shutdown all wait on `clock`, so tests need
// not wait on them.
void run_worker(SharedUiStatus status, SharedCancelFlag cancel, const RunSettings& settings,
                const Clock& clock = Clock::real());

}  // namespace corvald
