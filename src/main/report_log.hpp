// Report-log mode (APP_INSTALLER_REPORT_LOG=1): an unattended upload of the local logs and
// crash dumps for support, on the main thread, with no window and no telemetry.
#pragma once

#include "startup/run_settings.hpp"

namespace corvald {

// The process exit code: 0 when the service accepted the report, 1 otherwise.
int run_report_log(const RunSettings& settings);

}  // namespace corvald
