// Where telemetry goes; the worker and the already-running path both ask here so they can
// never disagree.
#pragma once

#include <optional>
#include <string>

#include "startup/run_settings.hpp"

namespace corvald::telemetry {

// APP_INSTALLER_TELEMETRY_URL when it is set, else the update service's /api/v2/report. An
// empty value is kept (every post then fails); a value that is neither https:// nor http:// to
// a loopback host gives the service's endpoint and one WARN.
std::string telemetry_endpoint(const RunSettings& settings);

// `override_value` is the variable's value; `override_set` says whether it exists at all;
// `service_override` chooses the service the default endpoint is on.
std::string telemetry_endpoint_from(bool override_set,
                                    const std::optional<std::string>& override_value,
                                    const std::optional<std::string>& service_override);

}  // namespace corvald::telemetry
