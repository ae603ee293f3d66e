// Where telemetry goes; the worker and the already-running path both ask here so they can
// never disagree.
#pragma once

#include <optional>
#include <string>

namespace corvald::telemetry {

// APP_INSTALLER_TELEMETRY_URL when it is set (as it is, even empty), else the update
// service's /api/v2/report.
std::string telemetry_endpoint();

// `override_value` is the variable's value; `override_set` says whether it exists at all.
std::string telemetry_endpoint_from(bool override_set,
                                    const std::optional<std::string>& override_value);

}  // namespace corvald::telemetry
