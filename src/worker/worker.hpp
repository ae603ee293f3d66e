// Windowed mode's run on its own thread: its client, identity and telemetry, the install
// pipeline, and the outcome shown to the window and reported to telemetry.
#pragma once

#include <chrono>
#include <functional>

#include "base/ui_status.hpp"
#include "startup/run_settings.hpp"
#include "worker/download_progress.hpp"

namespace corvald {

// The worker's start pause and the clock its pipeline runs on, replaceable so tests need not
// wait on them.
struct WorkerHooks {
  std::function<void(std::chrono::milliseconds)> sleep;
  SteadyNow now;
  static WorkerHooks real();
};

void run_worker(SharedUiStatus status, SharedCancelFlag cancel, const RunSettings& settings);
void run_worker(SharedUiStatus status, SharedCancelFlag cancel, const RunSettings& settings,
                const WorkerHooks& hooks);

}  // namespace corvald
